// The default show's sync script: that its text follows the script grammar
// within its limits, and that, played through the show's firing rules at 60
// frames per second, it drives the timeline as intended.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tools/BeatGrid.h"
#include "tools/ShowScript.h"

namespace {

struct ParsedEvent {
    int64_t position;
    int64_t value;
    int64_t duration;
};

// Reads the script's tokens by the grammar: label and count, then that many
// items, for patterns, tracks and events. Fails the test on a token that is
// not where the grammar wants it.
std::vector<std::vector<std::vector<ParsedEvent>>> parseScript(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::vector<std::vector<ParsedEvent>>> patterns;
    std::string label;
    int64_t patternCount = -1;
    EXPECT_TRUE(in >> label >> patternCount);
    EXPECT_GE(patternCount, 0);
    EXPECT_LE(patternCount, 100);
    for (int64_t p = 0; p < patternCount && in; ++p) {
        int64_t trackCount = -1;
        EXPECT_TRUE(in >> label >> trackCount);
        EXPECT_GE(trackCount, 0);
        EXPECT_LE(trackCount, 5);
        patterns.emplace_back();
        for (int64_t t = 0; t < trackCount && in; ++t) {
            int64_t eventCount = -1;
            EXPECT_TRUE(in >> label >> eventCount);
            EXPECT_LE(label.size(), 255u);
            EXPECT_GE(eventCount, 0);
            EXPECT_LE(eventCount, 200);
            patterns.back().emplace_back();
            for (int64_t e = 0; e < eventCount; ++e) {
                ParsedEvent event{};
                EXPECT_TRUE(in >> event.position >> event.value >> event.duration);
                patterns.back().back().push_back(event);
            }
        }
    }
    EXPECT_FALSE(in >> label) << "tokens after the last pattern";
    return patterns;
}

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
    const int64_t bytesPerVideoFrame =
        grid::sampleRate * grid::bytesPerFrame / grid::videoFramesPerSecond;
    int32_t cursor[5];
    int32_t stepsLeft[5] = {};
    float level[5] = {};
    float decrement[5] = {};
    for (int t = 0; t < 5; ++t) cursor[t] = script.tracks[t].empty() ? -1 : 0;
    int32_t scene = 1, cluvoIndex = -1, giraffeIndex = -1;
    bool linesOn = false;
    float scrollY = 0.0f, fadeLevel = 0.0f;
    bool fadeOn = false, sceneTwoStarted = false;
    std::vector<bool> cluvoSeen(8), giraffeSeen(13);
    for (int32_t frame = 1; frame < 200000 && run.quitFrame < 0; ++frame) {
        const uint32_t position = static_cast<uint32_t>(frame * bytesPerVideoFrame);
        if (cursor[4] == 1) scene = 2;
        int32_t values[5];
        for (int t = 0; t < 5; ++t) {
            if (stepsLeft[t] != 0) {
                --stepsLeft[t];
                level[t] = level[t] - decrement[t];
            }
            if (cursor[t] >= 0) {
                const ScriptEvent& e = script.tracks[t][static_cast<size_t>(cursor[t])];
                if (static_cast<uint32_t>(e.position) < position) {
                    int64_t dueFrame = e.position / bytesPerVideoFrame + 1;
                    run.maxEventsLateFrames =
                        std::max(run.maxEventsLateFrames, static_cast<int32_t>(frame - dueFrame));
                    level[t] = static_cast<float>(e.value);
                    stepsLeft[t] = e.duration;
                    if (e.duration) decrement[t] = level[t] / static_cast<float>(e.duration);
                    cursor[t] = cursor[t] + 1 < static_cast<int32_t>(script.tracks[t].size())
                                    ? cursor[t] + 1
                                    : -1;
                    if (t == 4 && cursor[t] == -1) run.lastTrack4Frame = frame;
                }
            }
            values[t] = static_cast<int32_t>(level[t]);
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

TEST(GeneratorScript, TextFollowsTheGrammarAndLimits) {
    const ShowScript script = composeShowScript();
    auto patterns = parseScript(formatShowScript(script));
    ASSERT_EQ(patterns.size(), 1u);
    ASSERT_EQ(patterns[0].size(), 5u);
    for (size_t t = 0; t < 5; ++t) {
        const auto& events = patterns[0][t];
        ASSERT_EQ(events.size(), script.tracks[t].size()) << "track " << t;
        int64_t previous = 0;
        for (size_t i = 0; i < events.size(); ++i) {
            SCOPED_TRACE("track " + std::to_string(t) + " event " + std::to_string(i));
            EXPECT_GT(events[i].position, previous) << "positions must rise and stay above 0";
            EXPECT_LE(events[i].position, INT32_MAX);
            EXPECT_GE(events[i].value, 0);
            EXPECT_LE(events[i].value, 255);
            EXPECT_GE(events[i].duration, 0);
            EXPECT_LE(events[i].duration, 255);
            EXPECT_EQ(events[i].position, script.tracks[t][i].position);
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
