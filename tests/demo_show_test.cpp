#include <gtest/gtest.h>

#include "demo/Director.h"
#include "demo/SceneOne.h"
#include "demo/SceneTwo.h"
#include "demo_show_support.h"

namespace {

using demotest::makeSolid;

// The capture clock: frame n (from 0) reads n × bytesPerSecond / fps.
class FrameClock : public MusicClock {
  public:
    uint32_t position() override {
        return static_cast<uint32_t>(static_cast<uint64_t>(frame++) * 176400 / 60);
    }
    void setVolume(int32_t volume) override { lastVolume = volume; }
    int32_t bytesPerSecond() const override { return 176400; }
    uint32_t frame = 0;
    int32_t lastVolume = 100;
};

// The frame (from 0) whose update fires an event at `position`.
constexpr int32_t frameFiring(int32_t position) {
    return position / 2940 + 1;
}

// Scene two frames (from 1) until the fade begins, for a scroller this high:
// the first in which the centre, stepping up 0.4 rows per frame from
// height / 2 + 256 and rounded to float each time, is above row -900.
int32_t sceneTwoFramesToFade(int32_t height) {
    float y = static_cast<float>(height / 2 + 256);
    for (int32_t frame = 1;; ++frame) {
        y = static_cast<float>(static_cast<double>(y) - 0.4);
        if (y < -900.0f) return frame;
    }
}

class DemoShow : public demotest::ShowTest {
  protected:
    void buildShow() {
        makeSolid(texturePicture, 512, 4, 0x00302010);
        for (uint32_t i = 0; i < 8; ++i) makeSolid(cluvoPictures[i], 16, 8, 0x00100000 * (i + 1));
        for (uint32_t i = 0; i < 13; ++i)
            makeSolid(giraffePictures[i], 16, 8, 0x00001000 * (i + 1));
        makeSolid(cloudsPicture, 64, 32, 0x00404040);
        makeSolid(scrollPicture, 16, scrollHeight, 0x00FFFFFF);
        makeSolid(softPicture, 32, 16, 0x00C0C0C0);
        addEvent(0, 5000, 255, 30);
        for (int32_t i = 0; i < 16; ++i) addEvent(2, 20000 + 4000 * i, beatValue, 1);
        for (int32_t i = 0; i < 9; ++i) addEvent(3, 3000 + 3000 * i, 128, 10);
        addEvent(4, track4First, 255, 20);
        for (int32_t i = 1; i <= 33; ++i) addEvent(4, track4First + 50000 * i, 255, 20);
        seek();
    }

    static constexpr int32_t scrollHeight = 40;
    static constexpr int32_t track4First = 100000;
    FrameClock frameClock;
};

TEST_F(DemoShow, SwitchesAndEndsByItselfInThePredictedFrames) {
    buildShow();
    musicSync.useClock(&frameClock);
    const int32_t lastSceneOneFrame = frameFiring(track4First);
    const int32_t quitFrame = lastSceneOneFrame + sceneTwoFramesToFade(scrollHeight) + 637;
    ASSERT_EQ(lastSceneOneFrame, 35);
    ASSERT_NEAR(quitFrame - lastSceneOneFrame, (scrollHeight / 2 + 1156) / 0.4 + 638, 2);

    int32_t frame = 0;
    for (; frame <= quitFrame + 10 && !quitPosted(); ++frame) {
        sceneDirector();
        if (frame == lastSceneOneFrame) {
            EXPECT_EQ(sceneNumber, 1);
            EXPECT_EQ(cursor(4), 1);
            EXPECT_EQ(sceneOneState.linesOn, 1);
            EXPECT_GE(sceneOneState.cluvoIndex, 0);
        }
        if (frame == lastSceneOneFrame + 1) {
            EXPECT_EQ(sceneNumber, 2);
        }
    }
    EXPECT_EQ(frame - 1, quitFrame);
    EXPECT_EQ(quitPostCount(), 1);
    EXPECT_EQ(frameClock.lastVolume, 0);
    EXPECT_EQ(sceneTwoState.fadeLevel, 255.0f);
    EXPECT_EQ(cursor(4), -1); // the blur window came and went
}

} // namespace
