#pragma once
#include <cstdint>

#include "gfx/Bitmap.h"

// Blurs every row of a 512-wide bitmap in place over a window of n pixels
// (1..256): output pixel x is the sum of the n pixels of the row from
// x - n + n/2 on (pixels outside the middle 512 - n count as black), times
// m / 2^(k+8), where k = floor(log2 n) and m = 2^(k+8) / n rounded. Pixel 0
// always turns black and both ends darken. Each byte saturates at 255; the
// fourth byte is blurred like the other three. A window outside 1..256 is
// clamped into it; a bitmap of another width is left as it is.
void boxBlurRows(Bitmap& bitmap, int32_t n);

// The plain reference, and the SSE2 and AVX2 versions that must match it bit
// for bit. boxBlurRows picks the widest one the level in use allows (see
// gfx/SimdLevel.h). The SSE2 and AVX2 ones may only be called where
// simdLevelSupported() says the processor runs their level.
void boxBlurRowsScalar(Bitmap& bitmap, int32_t n);
void boxBlurRowsSse2(Bitmap& bitmap, int32_t n);
void boxBlurRowsAvx2(Bitmap& bitmap, int32_t n);

// The multiplier m and the shift k + 8 for a window of n (clamped to 1..256).
struct BoxBlurScale {
    uint32_t multiplier;
    uint32_t shift;
};
BoxBlurScale boxBlurScale(int32_t n);
