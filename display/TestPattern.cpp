#include "display/TestPattern.h"

#include <cstddef>

void drawTestPattern(Bitmap& target, int32_t frame) {
    const int32_t w = target.width;
    const int32_t h = target.height;
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* row = target.pixels + static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int32_t x = 0; x < w; ++x) row[x] = testPatternBars[(x * 4) / w];
    }
    const int32_t bandTop = h * 7 / 16;
    const int32_t bandBottom = h * 9 / 16;
    const int32_t blockWidth = 32;
    const int32_t blockX = w > 0 ? static_cast<int32_t>((static_cast<int64_t>(frame) * 4) % w) : 0;
    for (int32_t y = bandTop; y < bandBottom; ++y) {
        uint32_t* row = target.pixels + static_cast<size_t>(y) * static_cast<size_t>(w);
        fillPixels(row, 0x00808080, w);
        for (int32_t i = 0; i < blockWidth; ++i) row[(blockX + i) % w] = 0;
    }
}
