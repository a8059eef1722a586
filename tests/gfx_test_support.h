#pragma once
#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "gfx/Bitmap.h"

namespace gfxtest {

// A Bitmap over its own storage, with `margin` readable pixels before and after
// the pixels (for blur8 and the rotozoom, which read past both ends).
struct TestBitmap final : Bitmap {
    TestBitmap(int32_t w, int32_t h, int32_t margin = 1024)
        : storage(static_cast<size_t>(w) * static_cast<size_t>(h) +
                  2 * static_cast<size_t>(margin)) {
        width = w;
        height = h;
        pixels = storage.data() + margin;
    }
    uint32_t& at(int32_t column, int32_t row) {
        return pixels[static_cast<int64_t>(row) * width + column];
    }
    std::vector<uint32_t> snapshot() const {
        return {pixels, pixels + static_cast<int64_t>(width) * height};
    }
    std::vector<uint32_t> storage;
};

inline void randomize(std::mt19937& rng, uint32_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint32_t>(rng());
}
inline void randomize(std::mt19937& rng, TestBitmap& b) {
    randomize(rng, b.storage.data(), b.storage.size());
}

// Byte k (0 = lowest) of a pixel.
inline uint32_t byteAt(uint32_t p, int k) {
    return (p >> (8 * k)) & 0xFF;
}

// The per-byte saturating sum of two pixels, fourth byte included.
inline uint32_t addBytes(uint32_t d, uint32_t s) {
    uint32_t r = 0;
    for (int k = 0; k < 4; ++k) r |= std::min(255u, byteAt(d, k) + byteAt(s, k)) << (8 * k);
    return r;
}

inline int32_t uniform(std::mt19937& rng, int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
}

} // namespace gfxtest
