#pragma once
// Shared by the scene tests: a clock driven by the test, a clean show for
// every case, and solid pictures to draw.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "demo/Assets.h"
#include "demo/SceneState.h"
#include "platform/Quit.h"
#include "sync/MusicSync.h"

namespace demotest {

// Reads 100 more at every update: the n-th update (from 1) reads 100 n, so an
// event at firesIn(n) fires in frame n exactly. Records every volume set.
class StepClock : public MusicClock {
  public:
    uint32_t position() override { return ++updates * 100u; }
    void setVolume(int32_t volume) override { volumes.push_back(volume); }
    int32_t bytesPerSecond() const override { return 176400; }

    uint32_t updates = 0;
    std::vector<int32_t> volumes;
};

constexpr int32_t firesIn(int32_t frame) {
    return frame * 100 - 50;
}

inline std::vector<Picture*> showPictures() {
    std::vector<Picture*> all = {&texturePicture, &cloudsPicture, &scrollPicture, &softPicture};
    for (Picture& p : cluvoPictures) all.push_back(&p);
    for (Picture& p : giraffePictures) all.push_back(&p);
    return all;
}

inline void leaveOutAllPictures() {
    for (Picture* p : showPictures()) {
        p->releasePixels();
        p->width = p->height = p->x = p->y = 0;
    }
}

inline void makeSolid(Picture& picture, int32_t width, int32_t height, uint32_t colour) {
    picture.createGuarded(width, height);
    fillPixels(picture.pixels, colour, width * height);
    picture.x = picture.y = 0;
}

// A fresh show: empty pattern 0 driven by a StepClock, scenes and quit reset,
// no pictures, a black canvas.
class ShowTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!canvas.pixels) canvas.create(canvasWidth, canvasHeight);
        canvas.fill(0);
        if (!musicSync.patterns) musicSync.allocatePatterns();
        clearSync();
        musicSync.useClock(&clock);
        resetSceneState();
        resetQuit();
        leaveOutAllPictures();
    }
    // Leaves the shared objects as a fresh process has them, for whatever
    // test runs next.
    void TearDown() override {
        leaveOutAllPictures();
        clearSync();
        musicSync.useClock(nullptr);
        resetSceneState();
        resetQuit();
    }
    static void clearSync() {
        SyncPattern& pattern = musicSync.patterns[0];
        for (int32_t t = 0; t < tracksPerPattern; ++t) {
            pattern.eventCount[t] = 0;
            pattern.cursor[t] = -1;
            musicSync.stepsLeft[t] = 0;
            musicSync.level[t] = 0.0f;
            musicSync.decrement[t] = 0.0f;
            envelopeValues[t] = 0;
        }
        musicSync.position = 0;
    }

    void addEvent(int32_t track, int32_t position, int32_t value, int32_t duration) {
        SyncPattern& pattern = musicSync.patterns[0];
        const int32_t slot = pattern.eventCount[track]++;
        pattern.events[track][slot] =
            SyncEvent{position, static_cast<uint8_t>(value), static_cast<uint8_t>(duration)};
    }
    void seek() { musicSync.seekCursors(0); }
    static int32_t cursor(int32_t track) { return musicSync.patterns[0].cursor[track]; }
    static uint32_t pixelAt(int32_t x, int32_t y) { return canvas.pixels[y * canvasWidth + x]; }
    static bool canvasIsBlack() {
        for (int32_t i = 0; i < canvasWidth * canvasHeight; ++i)
            if (canvas.pixels[i] != 0) return false;
        return true;
    }

    StepClock clock;
};

} // namespace demotest
