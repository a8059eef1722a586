// The sync script reader: the grammar, the store it fills, and scripts that
// break the rules.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "sync/MusicSync.h"
#include "sync_support.h"

namespace {

using Event = std::tuple<int32_t, int32_t, int32_t>;

class SyncScript : public ::testing::Test {
protected:
    void read(const std::string& text) {
        sync.allocatePatterns();
        sync.readScript(dir.write("data", text).c_str());
    }

    std::vector<Event> events(int32_t pattern, int32_t track) const {
        const SyncPattern& p = sync.patterns[pattern];
        std::vector<Event> out;
        for (int32_t e = 0; e < p.eventCount[track]; ++e) {
            const SyncEvent& ev = p.events[track][e];
            out.emplace_back(ev.position, ev.value, ev.duration);
        }
        return out;
    }

    // Pattern count, then per pattern its track count and event counts.
    std::string shape() const {
        std::ostringstream s;
        s << sync.patternCount;
        for (int32_t p = 0; p < maxPatterns; ++p) {
            const SyncPattern& pattern = sync.patterns[p];
            int32_t total = pattern.trackCount;
            for (int32_t t = 0; t < tracksPerPattern; ++t) total += pattern.eventCount[t];
            if (total == 0) continue;
            s << " |" << p << ":" << pattern.trackCount;
            for (int32_t t = 0; t < tracksPerPattern; ++t) s << " " << pattern.eventCount[t];
        }
        return s.str();
    }

    synctest::TempDir dir;
    MusicSync sync;
};

const char* const example = "song 1\n"
                            "intro 2\n"
                            "kick 2\n"
                            "1000 255 10\n"
                            "5000 128 20\n"
                            "pad 1\n"
                            "8000 64 0\n";

TEST_F(SyncScript, ReadsPatternsTracksAndEventsInFileOrder) {
    read(example);
    EXPECT_EQ(shape(), "1 |0:2 2 1 0 0 0");
    EXPECT_EQ(events(0, 0), (std::vector<Event>{{1000, 255, 10}, {5000, 128, 20}}));
    EXPECT_EQ(events(0, 1), (std::vector<Event>{{8000, 64, 0}}));
}

TEST_F(SyncScript, LineBreaksAndLabelsAreFree) {
    read(example);
    const std::string reference = shape();
    const auto track0 = events(0, 0), track1 = events(0, 1);
    const std::string longLabel(255, 'x');
    const std::string variants[] = {
        "song 1 intro 2 kick 2 1000 255 10 5000 128 20 pad 1 8000 64 0",
        "song\n1\nintro\t2\r\nkick\n\n2 1000\n255\n10 5000 128\n20 pad 1 8000 64\n0",
        "s 1 7 2 " + longLabel + " 2 1000 255 10 5000 128 20 -3 1 8000 64 0\n",
        // A label far longer than 255 characters is skipped safely.
        std::string(100000, 'L').append(" 1 a 2 b 2 1000 255 10 5000 128 20 c 1 8000 64 0"),
        "song +1 intro +2 kick 2 +1000 255 10 5000 128 20 pad 1 8000 64 0",
    };
    for (const std::string& text : variants) {
        SCOPED_TRACE(text.substr(0, 60));
        read(text);
        EXPECT_EQ(shape(), reference);
        EXPECT_EQ(events(0, 0), track0);
        EXPECT_EQ(events(0, 1), track1);
    }
}

TEST_F(SyncScript, KeepsLowEightBitsOfValueAndDuration) {
    read("s 1 p 1 t 4  10 256 260  20 300 255  30 -1 -2  40 65535 511");
    EXPECT_EQ(events(0, 0),
              (std::vector<Event>{{10, 0, 4}, {20, 44, 255}, {30, 255, 254}, {40, 255, 255}}));
}

TEST_F(SyncScript, NumbersBeyond32BitsSaturate) {
    read("s 1 p 1 t 2 99999999999999999999 1 1 -99999999999 2 2");
    EXPECT_EQ(events(0, 0), (std::vector<Event>{{2147483647, 1, 1}, {-2147483648, 2, 2}}));
}

TEST_F(SyncScript, ZeroAndNegativeCountsMeanNoItems) {
    read("s 0 p 1 t 1 5 5 5");
    EXPECT_EQ(shape(), "0");
    // A negative count is 0 and the next token starts the next block.
    read("s 2 p -4 q 3 t -1 u 1 10 1 1 v 0");
    EXPECT_EQ(shape(), "2 |1:3 0 1 0 0 0");
    EXPECT_EQ(events(1, 1), (std::vector<Event>{{10, 1, 1}}));
}

TEST_F(SyncScript, MissingOrEmptyFileLeavesAnEmptyStore) {
    read("s 1 p 1 t 1 10 1 1");
    sync.readScript(dir.file("no such file").c_str());
    EXPECT_EQ(shape(), "0");
    read("");
    EXPECT_EQ(shape(), "0");
    read("   \n\t ");
    EXPECT_EQ(shape(), "0");
}

TEST_F(SyncScript, CountsAboveLimitsAreCutAndSurplusSkipped) {
    // Seven tracks: the last two are read and dropped, and the pattern after
    // them is still read in step.
    std::ostringstream tracks;
    tracks << "s 2 p 7";
    for (int t = 0; t < 7; ++t) tracks << " t 1 " << 100 + t << " " << t << " 0";
    tracks << " q 1 t 1 50 9 9";
    read(tracks.str());
    EXPECT_EQ(shape(), "2 |0:5 1 1 1 1 1 |1:1 1 0 0 0 0");
    EXPECT_EQ(events(0, 4), (std::vector<Event>{{104, 4, 0}}));
    EXPECT_EQ(events(1, 0), (std::vector<Event>{{50, 9, 9}}));

    // 250 events: 200 kept, 50 skipped; the next track still reads.
    std::ostringstream events250;
    events250 << "s 1 p 2 t 250";
    for (int e = 1; e <= 250; ++e) events250 << " " << e << " 1 1";
    events250 << " u 1 7 7 7";
    read(events250.str());
    EXPECT_EQ(shape(), "1 |0:2 200 1 0 0 0");
    EXPECT_EQ(std::get<0>(events(0, 0).back()), 200);
    EXPECT_EQ(events(0, 1), (std::vector<Event>{{7, 7, 7}}));

    // 120 patterns: the first 100 are kept.
    std::ostringstream patterns120;
    patterns120 << "s 120";
    for (int p = 0; p < 120; ++p) patterns120 << " p 1 t 1 " << p + 1 << " 1 0";
    read(patterns120.str());
    EXPECT_EQ(sync.patternCount, maxPatterns);
    EXPECT_EQ(events(99, 0), (std::vector<Event>{{100, 1, 0}}));
}

TEST_F(SyncScript, EarlyEndKeepsOnlyWhatWasRead) {
    read("s 3 p 2 t 5 10 1 1 20 2 2 30 3");
    EXPECT_EQ(shape(), "1 |0:1 2 0 0 0 0");
    // A label without its count does not start a block.
    read("s 3 p 2 t 1 10 1 1 u");
    EXPECT_EQ(shape(), "1 |0:1 1 0 0 0 0");
    read("s 3 p 2 t 1 10 1 1 u 2 20 2 2");
    EXPECT_EQ(shape(), "1 |0:2 1 1 0 0 0");
    read("s 3 p 1 t 0 q");
    EXPECT_EQ(shape(), "1 |0:1 0 0 0 0 0");
    read("s");
    EXPECT_EQ(shape(), "0");
}

TEST_F(SyncScript, NonNumberStopsReadingAndKeepsWhatWasComplete) {
    read("s 2 p 1 t 3 10 1 1 20 x 2 30 3 3 q 1 t 1 5 5 5");
    EXPECT_EQ(shape(), "1 |0:1 1 0 0 0 0");
    EXPECT_EQ(events(0, 0), (std::vector<Event>{{10, 1, 1}}));
    for (const char* text : {"s 1 p 1 t 2 10 1 1 12abc 1 1", "s 1 p 1 t 2 10 1 1 - 1 1",
                             "s 1 p 1 t 2 10 1 1 0x20 1 1", "s 1 p 1 t two 10 1 1"}) {
        SCOPED_TRACE(text);
        read(text);
        const int32_t expected = std::string(text).find("two") == std::string::npos ? 1 : 0;
        EXPECT_EQ(sync.patterns[0].eventCount[0], expected);
    }
}

TEST_F(SyncScript, NewScriptLeavesNoStaleEvents) {
    read("s 1 p 5 a 3 1 1 1 2 2 2 3 3 3 b 1 1 1 1 c 1 1 1 1 d 1 1 1 1 e 1 1 1 1");
    read("s 1 p 1 a 1 9 9 9");
    EXPECT_EQ(shape(), "1 |0:1 1 0 0 0 0");
    // The slots behind the count are cleared too, not just uncounted.
    EXPECT_EQ(sync.patterns[0].events[0][1].position, 0);
    EXPECT_EQ(sync.patterns[0].events[4][0].value, 0);
}

} // namespace
