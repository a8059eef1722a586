// Seeking, stepping, pausing and reloading in the studio: every frame a seek
// or a step lands on is the frame an uninterrupted 60 fps run shows at that
// step, whatever was played or sought before.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "demo/ShowEnd.h"
#include "demo/ShowReplay.h"
#include "demo/ShowState.h"
#include "demo_show_support.h"
#include "shell/StudioSession.h"
#include "sync/FrameClock.h"
#include "tools/BeatGrid.h"
#include "tools/ShowScript.h"

namespace {

using demotest::makeSolid;
using Frame = std::vector<uint32_t>;

Frame canvasPixels() {
    return Frame(canvas.pixels, canvas.pixels + canvasWidth * canvasHeight);
}

// The soundtrack as the session drives it: the test sets the play position.
class FakeTransport : public StudioTransport {
  public:
    uint32_t position() override { return at; }
    void setVolume(int32_t v) override { volume = v; }
    void playFrom(uint32_t p) override { at = p; }
    void pause() override { paused = true; }
    void resume() override { paused = false; }

    uint32_t at = 0;
    int32_t volume = 100;
    bool paused = false;
};

class StudioSessionTest : public demotest::ShowTest {
  protected:
    void makePictures(int32_t scrollHeight) {
        makeSolid(texturePicture, 512, 8, 0x00201008);
        for (uint32_t i = 0; i < 8; ++i) makeSolid(cluvoPictures[i], 16, 8, 0x00100000 * (i + 1));
        for (uint32_t i = 0; i < 13; ++i) makeSolid(giraffePictures[i], 8, 16, 0x1000 * (i + 1));
        makeSolid(cloudsPicture, 64, 32, 0x00404040);
        makeSolid(scrollPicture, 32, scrollHeight, 0x00E0E0E0);
        makeSolid(softPicture, 32, 16, 0x00C0C0C0);
    }

    // Random events on every track of `store`, with the switch to scene two
    // within about `switchFrame` frames.
    static void writeRandomScript(MusicSync& store, std::mt19937& random, int32_t switchFrame) {
        store.allocatePatterns();
        auto below = [&random](int32_t n) {
            return static_cast<int32_t>(random() % static_cast<uint32_t>(n));
        };
        SyncPattern& pattern = store.patterns[0];
        pattern.trackCount = 5;
        store.patternCount = 1;
        for (int32_t track = 0; track < 5; ++track) {
            const int32_t count = track == 4 ? 2 + below(30) : 10 + below(60);
            int32_t position =
                track == 4 ? 2940 * (switchFrame / 2 + below(switchFrame / 2)) : below(20000);
            for (int32_t e = 0; e < count; ++e) {
                pattern.events[track][e] = SyncEvent{position, static_cast<uint8_t>(below(256)),
                                                     static_cast<uint8_t>(below(80))};
                position += 1 + below(track == 4 ? 30000 : 60000);
            }
            pattern.eventCount[track] = count;
        }
    }

    // The frames an uninterrupted run of `store` with `clock` shows at
    // `steps` (drawn there only: undrawn steps change the state exactly as
    // drawn ones, see the show state's tests).
    static std::map<int64_t, Frame> uninterrupted(const MusicSync& store, FrameClock clock,
                                                  const std::set<int64_t>& steps) {
        std::map<int64_t, Frame> frames;
        ShowState show = freshShow(store);
        const int64_t last = *steps.rbegin();
        for (int64_t s = 0; s <= last; ++s) {
            clock.setFrame(s);
            const bool wanted = steps.count(s) > 0;
            stepShow(show, store, clock.position(), wanted ? &canvas : nullptr);
            if (wanted) frames[s] = canvasPixels();
        }
        return frames;
    }

    // Seeks forward, back and to the same step again, plays a little in
    // between at positions of its own, and steps either way: each landing
    // must show the uninterrupted frame.
    void expectSeeksLandExactly(const MusicSync& store, const FrameClock& clock, int64_t last,
                                std::mt19937& random, int32_t seeks) {
        std::set<int64_t> targets = {0, 1, last - 1, last};
        std::vector<int64_t> order;
        for (int32_t i = 0; i < seeks; ++i) {
            const int64_t t = 1 + static_cast<int64_t>(random() % static_cast<uint32_t>(last - 1));
            order.push_back(t);
            targets.insert({t - 1, t, t + 1});
        }
        order.push_back(order.front()); // the same step again, after others
        order.push_back(last);
        order.push_back(0);
        // Where a step after five frames of play lands.
        for (const int64_t t : order)
            for (const int64_t after : {t + 5, t + 6})
                if (after <= last) targets.insert(after);
        const std::map<int64_t, Frame> expected = uninterrupted(store, clock, targets);

        FakeTransport sound;
        StudioSession session(sound);
        session.load(store, clock, last);
        for (const int64_t target : order) {
            SCOPED_TRACE(testing::Message() << "seek to step " << target);
            session.resume();
            session.seek(target);
            canvas.fill(0x00123456);
            session.drawFrame(canvas);
            ASSERT_EQ(session.shownStep(), target);
            ASSERT_TRUE(canvasPixels() == expected.at(target));
            FrameClock at = clock;
            at.setFrame(target);
            EXPECT_EQ(sound.at, at.position()) << "the soundtrack follows the seek";

            if (target > 0 && target < last) {
                session.stepBy(1);
                session.drawFrame(canvas);
                ASSERT_TRUE(canvasPixels() == expected.at(target + 1)) << "one step on";
                session.stepBy(-1);
                session.stepBy(-1);
                session.drawFrame(canvas);
                ASSERT_TRUE(canvasPixels() == expected.at(target - 1)) << "one step back";
                EXPECT_TRUE(session.paused());
            }
            // Live play at positions of the soundtrack's own leaves a state
            // the next seek must not depend on.
            session.resume();
            for (int32_t i = 0; i < 5; ++i) {
                sound.at += 1000 + static_cast<uint32_t>(random() % 5000);
                session.drawFrame(canvas);
            }
            if (session.shownStep() < last) {
                session.stepBy(1);
                session.drawFrame(canvas);
                ASSERT_TRUE(expected.count(session.shownStep()));
                ASSERT_TRUE(canvasPixels() == expected.at(session.shownStep()))
                    << "a step after play";
            }
        }
    }
};

TEST_F(StudioSessionTest, SeeksInRandomShowsLandOnTheUninterruptedFrame) {
    for (const uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        makePictures(1 + static_cast<int32_t>(random() % 40));
        writeRandomScript(musicSync, random, 300);
        FrameClock clock(176400, 60);
        const int64_t last = lastSeekableStep(musicSync, clock, 20000);
        ASSERT_LT(last, 19999) << "the show ends by itself";
        expectSeeksLandExactly(musicSync, clock, last, random, 12);
    }
}

TEST_F(StudioSessionTest, SeeksInTheDefaultShowLandOnTheUninterruptedFrame) {
    namespace fs = std::filesystem;
    const fs::path file = fs::temp_directory_path() / ("studio_script_" + std::to_string(getpid()));
    std::ofstream(file, std::ios::binary) << formatShowScript(composeShowScript());
    musicSync.readScript(file.c_str());
    fs::remove(file);
    makePictures(grid::scrollHeight);
    FrameClock clock(grid::sampleRate * grid::bytesPerFrame, grid::videoFramesPerSecond);
    const int64_t last = lastSeekableStep(musicSync, clock, 20 * 60 * 60);
    EXPECT_EQ(last, 10776);
    std::mt19937 random(11);
    expectSeeksLandExactly(musicSync, clock, last, random, 10);
}

TEST_F(StudioSessionTest, PauseHoldsTheFrameTheStepAndTheSoundtrack) {
    std::mt19937 random(5);
    makePictures(20);
    writeRandomScript(musicSync, random, 300);
    FakeTransport sound;
    StudioSession session(sound);
    session.load(musicSync, FrameClock(176400, 60), 5000);
    session.seek(120);
    session.drawFrame(canvas);
    for (int32_t i = 0; i < 30; ++i) {
        sound.at += 2940;
        session.drawFrame(canvas);
    }
    EXPECT_EQ(session.shownStep(), 150);

    session.togglePause();
    EXPECT_TRUE(sound.paused);
    const Frame held = canvasPixels();
    const ShowState state = session.show();
    for (int32_t i = 0; i < 10; ++i) {
        canvas.fill(0);
        session.drawFrame(canvas);
        ASSERT_TRUE(canvasPixels() == held);
    }
    EXPECT_EQ(session.shownStep(), 150);
    EXPECT_TRUE(session.show() == state);

    session.togglePause();
    EXPECT_FALSE(sound.paused);
    sound.at += 2940;
    session.drawFrame(canvas);
    EXPECT_EQ(session.shownStep(), 151);
}

// A changed script changes what follows at once, from the step on screen.
TEST_F(StudioSessionTest, AReloadedScriptChangesWhatFollowsAndKeepsTheStep) {
    std::mt19937 random(9);
    makePictures(20);
    MusicSync first, second;
    writeRandomScript(first, random, 300);
    writeRandomScript(second, random, 300);
    const FrameClock clock(176400, 60);
    const int64_t last = lastSeekableStep(second, clock, 20000);
    ASSERT_GT(last, 400);
    const auto expected = uninterrupted(second, clock, {400, 401});

    FakeTransport sound;
    StudioSession session(sound);
    session.load(first, clock, lastSeekableStep(first, clock, 20000));
    session.seek(400);
    session.drawFrame(canvas);
    session.pause();
    const uint32_t soundAt = sound.at;
    session.load(second, clock, last);
    EXPECT_EQ(session.shownStep(), 400);
    EXPECT_EQ(sound.at, soundAt) << "a reload leaves the soundtrack where it is";
    session.drawFrame(canvas);
    EXPECT_TRUE(canvasPixels() == expected.at(400));
    session.stepBy(1);
    session.drawFrame(canvas);
    EXPECT_TRUE(canvasPixels() == expected.at(401));
}

// The show stops on its last step instead of ending the studio; playing on
// from there starts it over.
TEST_F(StudioSessionTest, TheLastStepPausesAndPlayingOnStartsOver) {
    std::mt19937 random(3);
    makePictures(10);
    writeRandomScript(musicSync, random, 200);
    const FrameClock clock(176400, 60);
    const int64_t last = lastSeekableStep(musicSync, clock, 20000);
    FakeTransport sound;
    StudioSession session(sound);
    session.load(musicSync, clock, last);
    session.seek(last + 500);
    session.drawFrame(canvas);
    EXPECT_EQ(session.shownStep(), last);
    EXPECT_TRUE(session.paused()) << "the step that posts the quit pauses";
    session.drawFrame(canvas);
    EXPECT_EQ(session.shownStep(), last);
    session.resume();
    EXPECT_EQ(session.shownStep(), 0);
    session.seekBy(-100);
    EXPECT_EQ(session.shownStep(), 0);
}

// Play on a display slower than 60 Hz takes several steps per present and
// draws only the newest. However the steps fall into batches, play must stop
// where drawing every step stops, on the same step with the same frame held:
// the show's last step, or a step that ends the show early because the
// soundtrack runs ahead of the steps.
TEST_F(StudioSessionTest, BatchesOfStepsEndWhereDrawingEveryStepEnds) {
    // Every step reads the next step's position, `ahead` steps in front.
    class TickingTransport : public FakeTransport {
      public:
        explicit TickingTransport(uint32_t ahead) : ahead(ahead) {}
        uint32_t position() override { return at += 2940; }
        void playFrom(uint32_t p) override { at = p + ahead * 2940; }
        uint32_t ahead;
    };
    struct Ending {
        int64_t step = -1;
        Frame held;
    };
    const auto playToTheEnd = [](const MusicSync& store, const FrameClock& clock, int64_t from,
                                 int64_t last, uint32_t ahead, int32_t batch) {
        TickingTransport sound(ahead);
        StudioSession session(sound);
        session.load(store, clock, last);
        session.seek(from);
        session.drawFrame(canvas);
        for (int32_t present = 0; present < 20000 && !session.paused(); ++present) {
            for (int32_t i = 1; i < batch; ++i) session.stepUnshown();
            session.drawFrame(canvas);
        }
        EXPECT_TRUE(session.paused());
        canvas.fill(0x00123456);
        session.drawFrame(canvas);
        return Ending{session.shownStep(), canvasPixels()};
    };

    std::mt19937 random(21);
    makePictures(12);
    writeRandomScript(musicSync, random, 300);
    const FrameClock clock(176400, 60);
    const int64_t quitStep = lastSeekableStep(musicSync, clock, 20000);
    ASSERT_LT(quitStep, 19999) << "the show ends by itself";
    const Frame lastFrame = uninterrupted(musicSync, clock, {quitStep}).at(quitStep);
    // From just before scene two: a soundtrack ahead starts it, and so its
    // closing fade, early.
    const int64_t switchStep =
        firstFramePast(static_cast<uint32_t>(musicSync.patterns[0].events[4][0].position), clock);
    ASSERT_GT(switchStep, 5);
    ASSERT_LT(switchStep, quitStep - 20);
    const int64_t from = switchStep - 5;

    // The step that posts the quit; a limit before it; the quit posted early.
    for (const auto& [last, ahead] :
         {std::pair<int64_t, uint32_t>{quitStep, 0}, {quitStep - 13, 0}, {quitStep, 3}}) {
        const Ending one = playToTheEnd(musicSync, clock, from, last, ahead, 1);
        if (ahead == 0) {
            EXPECT_EQ(one.step, last);
            if (last == quitStep) {
                EXPECT_TRUE(one.held == lastFrame);
            }
        } else {
            EXPECT_EQ(one.step, quitStep - ahead) << "the soundtrack's position ends it";
        }
        for (const int32_t batch : {2, 3, 4, 7}) {
            SCOPED_TRACE(testing::Message() << "last " << last << ", " << ahead
                                            << " steps ahead, batches of " << batch);
            const Ending batched = playToTheEnd(musicSync, clock, from, last, ahead, batch);
            EXPECT_EQ(batched.step, one.step);
            EXPECT_TRUE(batched.held == one.held) << "the held frame is the end's own";
        }
    }
}

} // namespace
