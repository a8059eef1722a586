#pragma once
#include <cstdint>

// Converts pixels 0x..RRGGBB (the fourth byte ignored) to 8-bit YCbCr 4:2:0
// with the BT.709 matrix in limited range (Y 16..235, Cb and Cr 16..240).
//
// Y is computed per pixel. Cb and Cr are computed from the mean of each 2 × 2
// block of pixels, so the chroma samples sit at the centre of their block.
// Each output is the exact value rounded to nearest, give or take 1/128 of a
// step (16-bit fixed point); grey always gives Cb = Cr = 128.
//
// `width` and `height` must be even and positive. Pitches count pixels for
// the source and bytes for the planes; the chroma planes are width / 2 ×
// height / 2.
void convertToYuv420Bt709(const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
                          uint8_t* lumaPlane, int32_t lumaPitch, uint8_t* cbPlane, uint8_t* crPlane,
                          int32_t chromaPitch);

// The one integer algorithm above, compiled twice: for the baseline x86-64
// processor and for AVX2. Both give the same bytes. convertToYuv420Bt709 uses
// the AVX2 build where the level in use (gfx/SimdLevel.h) allows it.
namespace yuv420 {
using Converter = void (*)(const uint32_t*, int32_t, int32_t, int32_t, uint8_t*, int32_t, uint8_t*,
                           uint8_t*, int32_t);
void convertBaseline(const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
                     uint8_t* lumaPlane, int32_t lumaPitch, uint8_t* cbPlane, uint8_t* crPlane,
                     int32_t chromaPitch);
// Null where the processor has no AVX2.
Converter avx2Converter();
} // namespace yuv420
