// The default show's sync script: that the show's own reader takes it in
// whole, and that, played through the show's own clock and envelopes at 60
// frames per second, it drives the timeline as intended.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sync/FrameClock.h"
#include "sync/MusicSync.h"
#include "tools/BeatGrid.h"
#include "tools/ShowScript.h"

namespace {

namespace fs = std::filesystem;

// The composed script written out and read back by the show's own reader.
class ReadBack {
  public:
    explicit ReadBack(const ShowScript& script) {
        file = fs::temp_directory_path() / ("generator_script_" + std::to_string(::getpid()));
        std::ofstream(file, std::ios::binary) << formatShowScript(script);
        sync.allocatePatterns();
        sync.readScript(file.c_str());
    }
    ~ReadBack() {
        std::error_code ignored;
        fs::remove(file, ignored);
    }
    ReadBack(const ReadBack&) = delete;
    ReadBack& operator=(const ReadBack&) = delete;

    MusicSync sync;
    fs::path file;
};

// What the show does with pattern 0, frame by frame, under the frame clock of
// a 60 fps run (frame n hears position n × 2940): cursors, envelope values and
// the counters of both scenes that the script is meant to drive.
struct TimelineRun {
    int32_t sceneTwoFrame = -1;   // first frame drawn by scene two
    int32_t linesOnFrame = -1;    // first frame with the 8th clouds event fired
    int32_t firstCluvoFrame = -1; // first frame showing a picture of sequence one
    int32_t firstGiraffeFrame = -1;
    int32_t sequenceOneShown = 0; // distinct pictures of each sequence shown
    int32_t sequenceTwoShown = 0;
    int32_t cluvoIndexAtEnd = -1;
    int32_t giraffeIndexAtEnd = -1;
    int32_t blurFrames = 0;
    int32_t blurFramesWithWidth = 0; // blur frames whose window is wider than 1 pixel
    int32_t lastTrack4Frame = -1;
    int32_t fadeStartFrame = -1;
    int32_t quitFrame = -1;
    int32_t maxEventsLateFrames = 0; // how many frames any event fired after it was due
};

TimelineRun runTimeline(const ShowScript& script) {
    TimelineRun run;
    ReadBack readBack(script);
    MusicSync& sync = readBack.sync;
    FrameClock clock(grid::sampleRate * grid::bytesPerFrame, grid::videoFramesPerSecond);
    sync.useClock(&clock);
    sync.seekCursors(0);
    const int64_t bytesPerVideoFrame =
        grid::sampleRate * grid::bytesPerFrame / grid::videoFramesPerSecond;
    const int32_t* cursor = sync.state.cursor[0];
    int32_t scene = 1, cluvoIndex = -1, giraffeIndex = -1;
    bool linesOn = false;
    float scrollY = 0.0f, fadeLevel = 0.0f;
    bool fadeOn = false, sceneTwoStarted = false;
    std::vector<bool> cluvoSeen(8), giraffeSeen(13);
    for (int32_t frame = 0; frame < 200000 && run.quitFrame < 0; ++frame) {
        clock.setFrame(frame);
        if (cursor[4] == 1) scene = 2;
        int32_t before[5];
        for (int t = 0; t < 5; ++t) before[t] = cursor[t];
        int32_t values[5];
        sync.updateEnvelopes(values, 0);
        for (int t = 0; t < 5; ++t) {
            if (cursor[t] == before[t]) continue;
            // An event fired: it was due in the first frame whose position
            // passed its own.
            const SyncEvent& e = sync.patterns[0].events[t][before[t]];
            int64_t dueFrame = static_cast<uint32_t>(e.position) / bytesPerVideoFrame + 1;
            run.maxEventsLateFrames =
                std::max(run.maxEventsLateFrames, static_cast<int32_t>(frame - dueFrame));
            if (t == 4 && cursor[t] == -1) run.lastTrack4Frame = frame;
        }
        if (scene == 1) {
            if (cursor[3] >= 8 && !linesOn) {
                linesOn = true;
                run.linesOnFrame = frame;
            }
            if (cursor[2] >= 1) {
                if (values[2] == 251 && !(cursor[2] >= 6 && cursor[2] <= 9)) ++cluvoIndex;
                if (cluvoIndex >= 0 && cluvoIndex <= 7) {
                    if (run.firstCluvoFrame < 0) run.firstCluvoFrame = frame;
                    cluvoSeen[static_cast<size_t>(cluvoIndex)] = true;
                }
            }
            if (cursor[2] >= 13) {
                if (values[2] == 251) ++giraffeIndex;
                if (giraffeIndex >= 0 && giraffeIndex <= 12) {
                    if (run.firstGiraffeFrame < 0) run.firstGiraffeFrame = frame;
                    giraffeSeen[static_cast<size_t>(giraffeIndex)] = true;
                }
            }
        } else {
            if (!sceneTwoStarted) {
                sceneTwoStarted = true;
                run.sceneTwoFrame = frame;
                scrollY = static_cast<float>(grid::scrollHeight / 2 + 256);
            }
            if (cursor[4] >= 32) {
                ++run.blurFrames;
                if (values[4] > 0) ++run.blurFramesWithWidth;
            }
            scrollY = static_cast<float>(scrollY - 0.4);
            if (scrollY < -900.0f && !fadeOn) {
                fadeOn = true;
                run.fadeStartFrame = frame;
            }
            if (fadeOn) {
                fadeLevel = static_cast<float>(fadeLevel + 0.4);
                if (fadeLevel > 255.0f) run.quitFrame = frame;
            }
        }
    }
    for (bool seen : cluvoSeen) run.sequenceOneShown += seen;
    for (bool seen : giraffeSeen) run.sequenceTwoShown += seen;
    run.cluvoIndexAtEnd = cluvoIndex;
    run.giraffeIndexAtEnd = giraffeIndex;
    return run;
}

int32_t secondsToFrames(double s) {
    return static_cast<int32_t>(s * grid::videoFramesPerSecond);
}

} // namespace

TEST(GeneratorScript, ReadsBackWhole) {
    const ShowScript script = composeShowScript();
    ReadBack readBack(script);
    const MusicSync& sync = readBack.sync;
    ASSERT_EQ(sync.patternCount, 1);
    EXPECT_EQ(sync.patterns[0].trackCount, 5);
    for (int t = 0; t < 5; ++t) {
        const auto& events = script.tracks[static_cast<size_t>(t)];
        // The reader cuts a track at 200 events, so a longer one shows here.
        ASSERT_EQ(sync.patterns[0].eventCount[t], static_cast<int32_t>(events.size()))
            << "track " << t;
        int64_t previous = 0;
        for (size_t i = 0; i < events.size(); ++i) {
            SCOPED_TRACE("track " + std::to_string(t) + " event " + std::to_string(i));
            const SyncEvent& read = sync.patterns[0].events[t][i];
            EXPECT_GT(events[i].position, previous) << "positions must rise and stay above 0";
            EXPECT_LE(events[i].position, INT32_MAX);
            // Values and durations outside 0..255 would be cut to their low 8 bits.
            EXPECT_EQ(read.position, events[i].position);
            EXPECT_EQ(read.value, events[i].value);
            EXPECT_EQ(read.duration, events[i].duration);
            previous = events[i].position;
        }
    }
}

TEST(GeneratorScript, TracksHaveTheShapeTheTimelineNeeds) {
    const ShowScript script = composeShowScript();
    int32_t beats = 0;
    for (const ScriptEvent& e : script.tracks[2]) beats += e.value == 251 && e.duration > 0;
    EXPECT_GE(beats, 26);
    EXPECT_GE(script.tracks[0].size(), 100u) << "texture pulses on the kicks";
    EXPECT_GE(script.tracks[3].size(), 8u);
    EXPECT_GE(script.tracks[4].size(), 33u);
    // Every event sits on a sixteenth of the soundtrack's beat grid (the very
    // first sample stands in for position 0, which never fires).
    const int64_t sixteenthBytes = grid::framesPerBeat / 4 * grid::bytesPerFrame;
    for (const auto& track : script.tracks)
        for (const ScriptEvent& e : track)
            EXPECT_TRUE(e.position % sixteenthBytes == 0 || e.position == grid::bytesPerFrame)
                << e.position;
}

TEST(GeneratorScript, PlayedAt60FpsItDrivesBothScenes) {
    const TimelineRun run = runTimeline(composeShowScript());
    // No event waits behind another of its track: each fires in its own frame.
    EXPECT_LE(run.maxEventsLateFrames, 0);

    // Scene one: the lines come in before the first sequence and have time to
    // fade up fully (510 frames) before the second sequence fades them out.
    ASSERT_GT(run.linesOnFrame, 0);
    ASSERT_GT(run.firstCluvoFrame, 0);
    EXPECT_LT(run.linesOnFrame, run.firstCluvoFrame);
    ASSERT_GT(run.firstGiraffeFrame, 0);
    EXPECT_GE(run.firstGiraffeFrame - run.linesOnFrame, 510);
    EXPECT_EQ(run.sequenceOneShown, 8);
    EXPECT_EQ(run.sequenceTwoShown, 13);
    EXPECT_GE(run.cluvoIndexAtEnd, 8);
    EXPECT_GE(run.giraffeIndexAtEnd, 13) << "the second sequence must step past its end";

    // Scene two begins about 75 s in, on the music's second half.
    EXPECT_NEAR(run.sceneTwoFrame, secondsToFrames(75.0), secondsToFrames(5.0));
    EXPECT_GT(run.firstGiraffeFrame, 0);
    EXPECT_LT(run.firstGiraffeFrame, run.sceneTwoFrame);

    // The blur pulses for a good part of scene two and stops before the fade.
    EXPECT_GT(run.blurFrames, secondsToFrames(30.0));
    EXPECT_GT(run.blurFramesWithWidth, run.blurFrames / 3);
    EXPECT_LT(run.blurFramesWithWidth, run.blurFrames);
    ASSERT_GT(run.lastTrack4Frame, 0);
    ASSERT_GT(run.fadeStartFrame, 0);
    EXPECT_LT(run.lastTrack4Frame, run.fadeStartFrame);

    // The show ends (638 fading frames later) before the soundtrack does, so
    // the closing fade rides on the music's own outro.
    EXPECT_EQ(run.quitFrame - run.fadeStartFrame + 1, 638);
    EXPECT_LT(run.quitFrame, secondsToFrames(grid::songSeconds));
    EXPECT_GT(run.fadeStartFrame, grid::frameOfBar(grid::outro - 1) * 60 / grid::sampleRate);
}
