#pragma once
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

inline int32_t uniform(std::mt19937& rng, int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
}

} // namespace gfxtest
