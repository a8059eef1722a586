// The show's state as a value: steps taken without drawing change it exactly
// as drawn ones do, and a copy continues exactly as the original.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "demo/SceneOne.h"
#include "demo/ShowEnd.h"
#include "demo/ShowState.h"
#include "demo_show_support.h"
#include "sync/FrameClock.h"

namespace {

using demotest::makeSolid;

std::vector<uint32_t> canvasPixels() {
    return std::vector<uint32_t>(canvas.pixels, canvas.pixels + canvasWidth * canvasHeight);
}

class DemoShowState : public demotest::ShowTest {
  protected:
    // Small pictures on every layer, so each draw touches the canvas.
    void makePictures(bool withTexture, int32_t scrollHeight) {
        if (withTexture) makeSolid(texturePicture, 512, 8, 0x00201008);
        for (uint32_t i = 0; i < 8; ++i) makeSolid(cluvoPictures[i], 16, 8, 0x00100000 * (i + 1));
        for (uint32_t i = 0; i < 13; ++i) makeSolid(giraffePictures[i], 8, 16, 0x1000 * (i + 1));
        makeSolid(cloudsPicture, 64, 32, 0x00404040);
        makeSolid(scrollPicture, 32, scrollHeight, 0x00E0E0E0);
        makeSolid(softPicture, 32, 16, 0x00C0C0C0);
    }

    // A random script on all five tracks: envelopes of any value and length,
    // beats on track 2, enough track 3 events for the lines, and on track 4
    // the switch to scene two within `switchFrame` frames and the blur window.
    void writeRandomScript(std::mt19937& random, int32_t switchFrame) {
        auto below = [&random](int32_t n) {
            return static_cast<int32_t>(random() % static_cast<uint32_t>(n));
        };
        for (int32_t track = 0; track < 4; ++track) {
            const int32_t count = 10 + below(60);
            int32_t position = below(20000);
            for (int32_t e = 0; e < count; ++e) {
                const int32_t value = track == 2 && below(2) == 0 ? beatValue : below(256);
                addEvent(track, position, value, below(4) == 0 ? 0 : below(80));
                position += 1 + below(60000);
            }
        }
        int32_t position = 2940 * (switchFrame / 2 + below(switchFrame / 2));
        const int32_t track4Count = 2 + below(50);
        for (int32_t e = 0; e < track4Count; ++e) {
            addEvent(4, position, below(256), below(40));
            position += 1 + below(30000);
        }
    }
};

// For random scripts: a run drawing every step, and one drawing only at
// scattered checkpoints (each after a stretch of undrawn steps), see the same
// canvas at every checkpoint and end in the same state, through scene one,
// scene two, the blur and the closing fade.
TEST_F(DemoShowState, StepsWithoutDrawingLeaveTheSameFrameAndState) {
    for (const uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        clearSync();
        demotest::leaveOutAllPictures();
        std::mt19937 random(seed);
        makePictures(seed == 1, 1 + static_cast<int32_t>(random() % 40));
        writeRandomScript(random, 300);
        FrameClock clock(176400, 60);
        const ShowState start = freshShow(musicSync);
        const int64_t quitFrame = forecastQuitFrame(musicSync, start.sync, clock);
        ASSERT_GT(quitFrame, 0);

        ShowState drawn = start;
        ShowState skipping = start;
        int32_t checkpoints = 0;
        for (int64_t frame = 0; frame <= quitFrame + 2; ++frame) {
            clock.setFrame(frame);
            const uint32_t position = clock.position();
            const StepEffects drawnEffects = stepShow(drawn, musicSync, position, &canvas);
            const bool checkpoint = random() % 97 == 0 || frame >= quitFrame - 1;
            if (!checkpoint) {
                stepShow(skipping, musicSync, position, nullptr);
                continue;
            }
            const std::vector<uint32_t> expected = canvasPixels();
            canvas.fill(0x00123456);
            const StepEffects effects = stepShow(skipping, musicSync, position, &canvas);
            ASSERT_EQ(canvasPixels(), expected) << "frame " << frame;
            ASSERT_TRUE(skipping == drawn) << "frame " << frame;
            EXPECT_EQ(effects.postsQuit, drawnEffects.postsQuit) << "frame " << frame;
            EXPECT_EQ(effects.setsVolume, drawnEffects.setsVolume) << "frame " << frame;
            ++checkpoints;
        }
        EXPECT_GT(checkpoints, 10);
        EXPECT_TRUE(skipping == drawn);
        EXPECT_TRUE(drawn.quitPosted);
        EXPECT_EQ(drawn.sceneNumber, 2);
        EXPECT_EQ(drawn.volume, 0);
    }
}

// A copy taken mid-show and assigned back later continues exactly as the
// show did from where the copy was taken: frames, effects and state.
TEST_F(DemoShowState, ARestoredSnapshotContinuesIdentically) {
    std::mt19937 random(7);
    makePictures(true, 12);
    writeRandomScript(random, 200);
    FrameClock clock(176400, 60);
    ShowState show = freshShow(musicSync);
    const int64_t quitFrame = forecastQuitFrame(musicSync, show.sync, clock);
    ASSERT_GT(quitFrame, 0);
    auto step = [&](int64_t frame, Bitmap* target) {
        clock.setFrame(frame);
        return stepShow(show, musicSync, clock.position(), target);
    };

    for (const int64_t at : {int64_t{150}, quitFrame - 700, quitFrame - 3}) {
        SCOPED_TRACE(testing::Message() << "snapshot at frame " << at);
        show = freshShow(musicSync);
        for (int64_t frame = 0; frame < at; ++frame) step(frame, nullptr);
        const ShowState snapshot = show;

        std::vector<std::vector<uint32_t>> frames;
        std::vector<bool> quits;
        for (int64_t frame = at; frame < at + 40; ++frame) {
            quits.push_back(step(frame, &canvas).postsQuit);
            frames.push_back(canvasPixels());
        }
        const ShowState ahead = show;

        show = snapshot;
        for (int64_t frame = at; frame < at + 40; ++frame) {
            const size_t i = static_cast<size_t>(frame - at);
            ASSERT_EQ(step(frame, &canvas).postsQuit, quits[i]) << "frame " << frame;
            ASSERT_EQ(canvasPixels(), frames[i]) << "frame " << frame;
        }
        EXPECT_TRUE(show == ahead);
    }
    EXPECT_TRUE(show.quitPosted);
}

} // namespace
