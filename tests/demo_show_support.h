#pragma once
// Shared by the scene tests: a clock driven by the test, a clean show for
// every case, and solid pictures to draw.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "demo/Assets.h"
#include "demo/Director.h"
#include "demo/ShowState.h"
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

// A fresh show: an empty pattern store driven by a StepClock, a show state
// of the test's own, no pictures, a black canvas. The scene calls step that
// state and act on its effects as the live loop does.
class ShowTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!canvas.pixels) canvas.create(canvasWidth, canvasHeight);
        canvas.fill(0);
        clearSync();
        musicSync.useClock(nullptr);
        clock = StepClock{};
        resetQuit();
        leaveOutAllPictures();
    }
    // Leaves the shared objects as a fresh process has them, for whatever
    // test runs next.
    void TearDown() override {
        leaveOutAllPictures();
        musicSync.allocatePatterns();
        musicSync.useClock(nullptr);
        resetQuit();
    }

    // An empty pattern store and a show state from the beginning.
    void clearSync() {
        musicSync.allocatePatterns();
        state = ShowState{};
    }

    // One step of the show (or of one scene), drawn into the canvas at the
    // next reading of the clock a test gave musicSync, else of the StepClock.
    MusicClock& showClock() { return musicSync.clock ? *musicSync.clock : clock; }
    void sceneDirector() {
        MusicClock& c = showClock();
        act(c, ::sceneDirector(state, musicSync, c.position(), &canvas));
    }
    void sceneOne() { ::sceneOne(state, musicSync, showClock().position(), &canvas); }
    void sceneTwo() {
        MusicClock& c = showClock();
        act(c, ::sceneTwo(state, musicSync, c.position(), &canvas));
    }
    void act(MusicClock& c, const StepEffects& effects) {
        if (effects.setsVolume) c.setVolume(state.volume);
        if (effects.postsQuit) postQuitMessage(0);
    }

    void addEvent(int32_t track, int32_t position, int32_t value, int32_t duration) {
        SyncPattern& pattern = musicSync.patterns[0];
        const int32_t slot = pattern.eventCount[track]++;
        pattern.events[track][slot] =
            SyncEvent{position, static_cast<uint8_t>(value), static_cast<uint8_t>(duration)};
    }
    void seek() { seekCursors(musicSync, state.sync, 0); }
    int32_t cursor(int32_t track) const { return state.sync.cursor[0][track]; }
    static uint32_t pixelAt(int32_t x, int32_t y) { return canvas.pixels[y * canvasWidth + x]; }
    static bool canvasIsBlack() {
        for (int32_t i = 0; i < canvasWidth * canvasHeight; ++i)
            if (canvas.pixels[i] != 0) return false;
        return true;
    }

    StepClock clock;
    ShowState state;
};

} // namespace demotest
