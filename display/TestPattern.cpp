#include "display/TestPattern.h"

#include <cstdio>

#include "demo/Assets.h"

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

void drawTestPatternFrame() {
    static int32_t frame = 0;
    drawTestPattern(canvas, frame++);
}

// Until the scenes are part of the build, these stand in for them, so the
// program links and shows the test pattern. cmake/display.cmake compiles them
// only while demo/ has no sources; they are weak as well, so a definition from
// the scenes wins in any case.
#ifdef DEMO_SCENE_FALLBACK
__attribute__((weak)) Bitmap canvas;

__attribute__((weak)) void loadAssets() {
    std::fprintf(stderr, "demo: the scenes are not built in; showing the test pattern\n");
}

__attribute__((weak)) void sceneDirector() {
    drawTestPatternFrame();
}
#endif
