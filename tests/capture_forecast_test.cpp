// Where a capture expects the show to end, checked against running the show.
#include <gtest/gtest.h>

#include <cstdint>

#include "capture/FrameSteps.h"
#include "demo/Director.h"
#include "demo/SceneTwo.h"
#include "demo/ShowEnd.h"
#include "demo_show_support.h"
#include "sync/FrameClock.h"

namespace {

using demotest::makeSolid;

TEST(CaptureForecast, FirstFramePastMatchesAFrameByFrameSearch) {
    struct Case {
        int32_t bps, fps;
        uint32_t loop;
    };
    for (const Case c : {Case{176400, 60, 0}, Case{176400, 7, 0}, Case{100, 3, 0},
                         Case{32000, 25, 64000}, Case{176400, 1000, 0}}) {
        FrameClock clock(c.bps, c.fps);
        clock.setLoopBytes(c.loop);
        for (const uint32_t position : {0u, 1u, 99u, 2939u, 2940u, 2941u, 33333u, 63999u}) {
            if (c.loop > 0 && position >= c.loop) continue;
            SCOPED_TRACE(testing::Message() << c.bps << " B/s, " << c.fps << " fps, loop " << c.loop
                                            << ", position " << position);
            int64_t expected = -1;
            uint32_t previous = 0;
            for (int64_t n = 0; n < 2'000'000; ++n) {
                clock.setFrame(n);
                const uint32_t reading = clock.position();
                if (reading > position) {
                    expected = n;
                    break;
                }
                if (reading < previous) break; // wrapped round first
                previous = reading;
            }
            EXPECT_EQ(firstFramePast(position, clock), expected);
        }
    }
    // Past the soundtrack's pass, or where the 32-bit reading would wrap.
    FrameClock looped(32000, 25);
    looped.setLoopBytes(64000);
    EXPECT_EQ(firstFramePast(63999, looped), -1);
    EXPECT_EQ(firstFramePast(64000, looped), -1);
    EXPECT_EQ(firstFramePast(0xFFFFFFFFu, FrameClock(176400, 60)), -1);
}

// The frames' steps and sound at rates that divide 60, that it divides, and
// that share no factor with it, from the show's start and from a later step.
TEST(CaptureFrameSteps, StepsAndSoundOfEachFrame) {
    for (const int32_t fps : {1, 7, 24, 25, 30, 60, 120, 144, 1000}) {
        for (const int64_t firstStep : {int64_t{0}, int64_t{77}}) {
            SCOPED_TRACE(testing::Message() << fps << " fps from step " << firstStep);
            const FrameSteps steps{fps, firstStep};
            int64_t nextSample = steps.samplesOf(0, 44100).first;
            EXPECT_EQ(nextSample, firstStep * 44100 / 60);
            for (int64_t k = 0; k < 3 * fps + 5; ++k) {
                // The newest step whose moment is not after the frame's.
                const int64_t step = steps.stepOf(k);
                EXPECT_LE((step - firstStep) * fps, k * 60);
                EXPECT_GT((step - firstStep + 1) * fps, k * 60);
                EXPECT_LE(steps.firstFrameShowing(step), k);
                EXPECT_GT(steps.firstFrameShowing(step + 1), k);
                // The frames' sound tiles the soundtrack; from step 0 it is the
                // stretch a frame has always carried.
                const SampleSpan span = steps.samplesOf(k, 44100);
                EXPECT_EQ(span.first, nextSample);
                nextSample = span.first + span.count;
                if (firstStep == 0) {
                    const SampleSpan before = samplesOfFrame(k, 44100, fps);
                    EXPECT_EQ(span.first, before.first);
                    EXPECT_EQ(span.count, before.count);
                }
            }
        }
    }
    // The first frame that shows a step is the least one that does.
    const FrameSteps at24{24, 0};
    for (int64_t step = 0; step < 200; ++step) {
        const int64_t k = at24.firstFrameShowing(step);
        EXPECT_GE(at24.stepOf(k), step);
        if (k > 0) {
            EXPECT_LT(at24.stepOf(k - 1), step);
        }
    }
}

class CaptureForecastShow : public demotest::ShowTest {
  protected:
    // Runs the show on `frameClock` as the capture does; the frame (from 0)
    // that posted the quit, or -1 when none did within `limit` frames.
    int64_t runToQuit(FrameClock& frameClock, int64_t limit) {
        musicSync.useClock(&frameClock);
        for (int64_t frame = 0; frame < limit; ++frame) {
            frameClock.setFrame(frame);
            sceneDirector();
            if (quitPosted()) return frame;
        }
        return -1;
    }
};

TEST_F(CaptureForecastShow, ForecastIsTheFrameThatPostsTheQuit) {
    makeSolid(scrollPicture, 16, 300, 0x00FFFFFF);
    addEvent(4, 50000, 255, 10);
    addEvent(4, 90000, 255, 10);
    seek();
    FrameClock frameClock(176400, 50);
    const int64_t forecast = forecastQuitFrame(musicSync, state.sync, frameClock);
    // Scene two: from the frame after the one that fires the first event.
    EXPECT_EQ(forecast, firstFramePast(50000, frameClock) + sceneTwoLength(300));
    EXPECT_EQ(runToQuit(frameClock, forecast + 100), forecast);
}

TEST_F(CaptureForecastShow, AnEventAtPositionZeroStartsSceneTwoAtOnce) {
    // The seek passes over the event at 0, so track 4's cursor starts at 1.
    addEvent(4, 0, 255, 10);
    addEvent(4, 1000, 255, 10);
    seek();
    ASSERT_EQ(cursor(4), 1);
    FrameClock frameClock(176400, 60);
    const int64_t forecast = forecastQuitFrame(musicSync, state.sync, frameClock);
    EXPECT_EQ(forecast, sceneTwoLength(0) - 1);
    EXPECT_EQ(runToQuit(frameClock, forecast + 100), forecast);
}

TEST_F(CaptureForecastShow, NoForecastForAShowThatNeverEnds) {
    FrameClock frameClock(176400, 60);
    addEvent(4, 5000, 255, 10); // one event only: scene one for ever
    seek();
    EXPECT_EQ(forecastQuitFrame(musicSync, state.sync, frameClock), -1);

    clearSync();
    addEvent(4, 0, 255, 10); // two events at 0: the cursor starts past 1
    addEvent(4, 0, 255, 10);
    addEvent(4, 500, 255, 10);
    seek();
    EXPECT_EQ(forecastQuitFrame(musicSync, state.sync, frameClock), -1);

    // The first event lies beyond the end of the soundtrack's pass, where the
    // looping clock never reaches.
    clearSync();
    addEvent(4, 200000, 255, 10);
    addEvent(4, 300000, 255, 10);
    seek();
    frameClock.setLoopBytes(150000);
    EXPECT_EQ(forecastQuitFrame(musicSync, state.sync, frameClock), -1);
    EXPECT_EQ(runToQuit(frameClock, 5000), -1);
}

} // namespace
