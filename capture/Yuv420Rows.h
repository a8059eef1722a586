#pragma once
#include <cstdint>

// The BT.709 4:2:0 conversion for Yuv420.cpp (baseline build) and
// Yuv420_avx2.cpp (the same code compiled for AVX2). Plain integer code that
// the compiler vectorises; both builds give the same bytes.

namespace yuv420 {
namespace {

// BT.709: Y' = 0.2126 R + 0.7152 G + 0.0722 B on 0..1, scaled to 219 steps
// over 16 for Y and to 224 steps around 128 for the colour differences.
constexpr double kr = 0.2126, kb = 0.0722, kg = 1.0 - kr - kb;
constexpr double lumaScale = 219.0 / 255.0;
constexpr double cbScale = 224.0 / 255.0 / (2.0 * (1.0 - kb));
constexpr double crScale = 224.0 / 255.0 / (2.0 * (1.0 - kr));

constexpr int32_t fixedOne = 1 << 16;
constexpr int32_t toFixed(double value) {
    return value >= 0 ? static_cast<int32_t>(value * fixedOne + 0.5)
                      : -static_cast<int32_t>(-value * fixedOne + 0.5);
}

constexpr int32_t yR = toFixed(lumaScale * kr);
constexpr int32_t yB = toFixed(lumaScale * kb);
constexpr int32_t yG = toFixed(lumaScale * kg);
// The colour-difference weights of each row sum to exactly 0, so that grey
// lands on 128 whatever the rounding of the single weights.
constexpr int32_t cbR = toFixed(-cbScale * kr);
constexpr int32_t cbG = toFixed(-cbScale * kg);
constexpr int32_t cbB = -(cbR + cbG);
constexpr int32_t crG = toFixed(-crScale * kg);
constexpr int32_t crB = toFixed(-crScale * kb);
constexpr int32_t crR = -(crG + crB);

// Offsets with the rounding half step folded in. Chroma works on the sum of
// four pixels, so it shifts two bits further.
constexpr int32_t lumaOffset = (16 << 16) + (1 << 15);
constexpr int32_t chromaOffset = (128 << 18) + (1 << 17);

inline uint8_t luma(uint32_t pixel) {
    const int32_t r = static_cast<int32_t>((pixel >> 16) & 0xFF);
    const int32_t g = static_cast<int32_t>((pixel >> 8) & 0xFF);
    const int32_t b = static_cast<int32_t>(pixel & 0xFF);
    return static_cast<uint8_t>((yR * r + yG * g + yB * b + lumaOffset) >> 16);
}

// The whole conversion. Each file that includes this gets its own copy
// (internal linkage), so the AVX2 build never stands in for the baseline one.
inline void convertRows(const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
                        uint8_t* lumaPlane, int32_t lumaPitch, uint8_t* cbPlane, uint8_t* crPlane,
                        int32_t chromaPitch) {
    for (int32_t row = 0; row < height; row += 2) {
        const uint32_t* top = pixels + static_cast<int64_t>(row) * pitch;
        const uint32_t* bottom = top + pitch;
        uint8_t* yTop = lumaPlane + static_cast<int64_t>(row) * lumaPitch;
        uint8_t* yBottom = yTop + lumaPitch;
        uint8_t* cb = cbPlane + static_cast<int64_t>(row / 2) * chromaPitch;
        uint8_t* cr = crPlane + static_cast<int64_t>(row / 2) * chromaPitch;
        for (int32_t x = 0; x < width; ++x) {
            yTop[x] = luma(top[x]);
            yBottom[x] = luma(bottom[x]);
        }
        for (int32_t cx = 0; cx < width / 2; ++cx) {
            const uint32_t p0 = top[2 * cx], p1 = top[2 * cx + 1];
            const uint32_t p2 = bottom[2 * cx], p3 = bottom[2 * cx + 1];
            // Sums of four pixels per channel, 0..1020.
            const int32_t r = static_cast<int32_t>(((p0 >> 16) & 0xFF) + ((p1 >> 16) & 0xFF) +
                                                   ((p2 >> 16) & 0xFF) + ((p3 >> 16) & 0xFF));
            const int32_t g = static_cast<int32_t>(((p0 >> 8) & 0xFF) + ((p1 >> 8) & 0xFF) +
                                                   ((p2 >> 8) & 0xFF) + ((p3 >> 8) & 0xFF));
            const int32_t b =
                static_cast<int32_t>((p0 & 0xFF) + (p1 & 0xFF) + (p2 & 0xFF) + (p3 & 0xFF));
            cb[cx] = static_cast<uint8_t>((cbR * r + cbG * g + cbB * b + chromaOffset) >> 18);
            cr[cx] = static_cast<uint8_t>((crR * r + crG * g + crB * b + chromaOffset) >> 18);
        }
    }
}

} // namespace
} // namespace yuv420

namespace yuv420::detail {
void convertAvx2(const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
                 uint8_t* lumaPlane, int32_t lumaPitch, uint8_t* cbPlane, uint8_t* crPlane,
                 int32_t chromaPitch);
} // namespace yuv420::detail
