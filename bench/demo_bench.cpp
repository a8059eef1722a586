#include <benchmark/benchmark.h>

#include "demo/Assets.h"
#include "demo/SceneOne.h"
#include "demo/SceneState.h"
#include "demo/SceneTwo.h"
#include "gfx/BoxBlur.h"
#include "gfx/SimdLevel.h"
#include "sync/MusicSync.h"

// Whole frames of both scenes on the 512 × 256 canvas, every layer drawn with
// full-size pictures, read against BM_memcpy_512KiB of the same run.
namespace {

// Time stands still: no event is ever due, the envelopes hold their levels.
class StillClock : public MusicClock {
  public:
    uint32_t position() override { return 1000; }
    void setVolume(int32_t) override {}
    int32_t bytesPerSecond() const override { return 176400; }
};
StillClock stillClock;

void solid(Picture& picture, int32_t width, int32_t height, uint32_t seed) {
    picture.createGuarded(width, height);
    uint32_t value = seed;
    for (int32_t i = 0; i < width * height; ++i) {
        value = value * 1664525u + 1013904223u;
        picture.pixels[i] = (value >> 8) & 0x003F3F3F;
    }
    picture.mirrorFirstRowsIntoGuard();
}

// Pictures at their largest, envelopes held at mid levels, cursors that keep
// both sequences on show and (for scene two) the blur on or off.
void setUpShow(int32_t track4Cursor) {
    static bool built = false;
    if (!built) {
        built = true;
        canvas.create(canvasWidth, canvasHeight);
        solid(texturePicture, 512, 512, 1);
        for (uint32_t i = 0; i < 8; ++i) solid(cluvoPictures[i], 512, 256, 10 + i);
        for (uint32_t i = 0; i < 13; ++i) solid(giraffePictures[i], 512, 256, 20 + i);
        solid(cloudsPicture, 512, 256, 2);
        solid(scrollPicture, 512, 1024, 3);
        solid(softPicture, 512, 256, 4);
        musicSync.allocatePatterns();
        musicSync.useClock(&stillClock);
        SyncPattern& pattern = musicSync.patterns[0];
        for (int32_t t = 0; t < tracksPerPattern; ++t) {
            pattern.eventCount[t] = 40;
            for (int32_t e = 0; e < 40; ++e) pattern.events[t][e] = {0x7FFFFFFF, 0, 0};
        }
    }
    resetSceneState();
    SyncPattern& pattern = musicSync.patterns[0];
    pattern.cursor[2] = 14;
    pattern.cursor[3] = 9;
    pattern.cursor[4] = track4Cursor;
    musicSync.level[0] = 200.0f;
    musicSync.level[3] = 128.0f;
    musicSync.level[4] = 100.0f;
    sceneOneState.cluvoIndex = 3;
    sceneOneState.giraffeIndex = 3;
}

void BM_sceneOneFrame(benchmark::State& state) {
    setUpShow(0);
    for (auto _ : state) {
        sceneOneState.lineBrightness = 255.0f;
        sceneOneState.giraffeSeen = 0;
        sceneOne();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_sceneOneFrame);

void sceneTwoFrames(benchmark::State& state, int32_t track4Cursor, bool fading) {
    setUpShow(track4Cursor);
    for (auto _ : state) {
        sceneTwoState.started = true;
        sceneTwoState.scrollY = 128.0f; // the scroller covers the canvas
        sceneTwoState.fadeOn = fading ? 1 : 0;
        sceneTwoState.fadeLevel = 100.0f;
        sceneTwo();
        benchmark::ClobberMemory();
    }
}

void BM_sceneTwoFrame(benchmark::State& state) {
    sceneTwoFrames(state, 5, false);
}
BENCHMARK(BM_sceneTwoFrame);

void BM_sceneTwoFrameBlur(benchmark::State& state) {
    sceneTwoFrames(state, 32, false);
}
BENCHMARK(BM_sceneTwoFrameBlur);

void BM_sceneTwoFrameBlurFade(benchmark::State& state) {
    sceneTwoFrames(state, 32, true);
}
BENCHMARK(BM_sceneTwoFrameBlurFade);

void boxBlurOnly(benchmark::State& state, void (*blur)(Bitmap&, int32_t)) {
    setUpShow(0);
    const auto n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        blur(canvas, n);
        benchmark::ClobberMemory();
    }
}
void BM_boxBlurRowsScalar(benchmark::State& state) {
    boxBlurOnly(state, boxBlurRowsScalar);
}
BENCHMARK(BM_boxBlurRowsScalar)->Arg(101);
void BM_boxBlurRowsSse2(benchmark::State& state) {
    boxBlurOnly(state, boxBlurRowsSse2);
}
BENCHMARK(BM_boxBlurRowsSse2)->Arg(101)->Arg(256);
void BM_boxBlurRowsAvx2(benchmark::State& state) {
    if (!simdLevelSupported(SimdLevel::avx2))
        return state.SkipWithError("no AVX2 on this processor");
    boxBlurOnly(state, boxBlurRowsAvx2);
}
BENCHMARK(BM_boxBlurRowsAvx2)->Arg(101)->Arg(256);

} // namespace
