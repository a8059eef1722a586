// Cursors and envelopes: when events fire and how the five levels decay.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sync/MusicSync.h"
#include "sync_support.h"

namespace {

class SyncEnvelope : public ::testing::Test {
protected:
    void SetUp() override {
        sync.allocatePatterns();
        sync.useClock(&clock);
    }

    void setTrack(int32_t track, const std::vector<SyncEvent>& events) {
        SyncPattern& p = sync.patterns[0];
        p.trackCount = std::max(p.trackCount, track + 1);
        p.eventCount[track] = static_cast<int32_t>(events.size());
        for (size_t e = 0; e < events.size(); ++e) p.events[track][e] = events[e];
    }

    // One frame at clock position `at`; returns the five envelope values.
    std::vector<int32_t> frame(uint32_t at) {
        clock.now = at;
        int32_t values[tracksPerPattern] = {-1, -1, -1, -1, -1};
        sync.updateEnvelopes(values, 0);
        return std::vector<int32_t>(values, values + tracksPerPattern);
    }

    // Track `track`'s output over frames at the given clock positions.
    std::vector<int32_t> outputs(int32_t track, const std::vector<uint32_t>& positions) {
        std::vector<int32_t> out;
        for (uint32_t at : positions) out.push_back(frame(at)[track]);
        return out;
    }

    int32_t cursor(int32_t track) const { return sync.state.cursor[0][track]; }

    synctest::ManualClock clock;
    MusicSync sync;
};

TEST_F(SyncEnvelope, DecaysFromValueToZeroOverDurationFrames) {
    struct Case {
        uint8_t value, duration;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {255, 3, {255, 170, 85, 0, 0}},
        {100, 3, {100, 66, 33, 0, 0}},
        {200, 7, {200, 171, 142, 114, 85, 57, 28, 0, 0}},
        {64, 0, {64, 64, 64, 64, 64, 64}}, // duration 0 holds the level
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.value) << "/" << int(c.duration));
        MusicSync fresh;
        fresh.allocatePatterns();
        fresh.useClock(&clock);
        fresh.patterns[0].eventCount[1] = 1;
        fresh.patterns[0].events[1][0] = SyncEvent{1000, c.value, c.duration};
        clock.now = 0;
        fresh.seekCursors(0);
        std::vector<int32_t> got;
        for (size_t f = 0; f < c.expected.size(); ++f) {
            clock.now = 2000 + static_cast<uint32_t>(f) * 100;
            int32_t values[tracksPerPattern];
            fresh.updateEnvelopes(values, 0);
            got.push_back(values[1]);
            EXPECT_EQ(values[0], 0); // tracks without events stay at 0
        }
        EXPECT_EQ(got, c.expected);
    }
}

TEST_F(SyncEnvelope, EventDuringDecayReplacesItAfterThatFramesStep) {
    setTrack(2, {{100, 255, 10}, {200, 100, 2}});
    sync.seekCursors(0);
    // 255 - 25.5 = 229.5; then the decay step runs on the old values before
    // the second event replaces level, steps and decrement.
    EXPECT_EQ(outputs(2, {101, 150, 201, 202, 203, 204}),
              (std::vector<int32_t>{255, 229, 100, 50, 0, 0}));
    EXPECT_EQ(sync.state.stepsLeft[2], 0);
}

TEST_F(SyncEnvelope, OneEventPerTrackPerFrame) {
    setTrack(0, {{100, 10, 0}, {200, 20, 0}, {300, 30, 0}});
    setTrack(3, {{150, 7, 0}});
    sync.seekCursors(0);
    // The clock jumps past all of them at once: track 0 needs three frames,
    // track 3 fires in the first.
    const auto first = frame(1000);
    EXPECT_EQ(first[0], 10);
    EXPECT_EQ(first[3], 7);
    EXPECT_EQ(frame(1000)[0], 20);
    EXPECT_EQ(frame(1001)[0], 30);
    EXPECT_EQ(cursor(0), -1);
}

TEST_F(SyncEnvelope, FiresOnlyOnceTheClockHasPassedThePosition) {
    setTrack(0, {{0, 99, 0}, {1000, 50, 0}});
    setTrack(1, {{0, 77, 0}});
    sync.seekCursors(0);
    EXPECT_EQ(cursor(0), 1); // an event at 0 is passed over at the seek
    EXPECT_EQ(cursor(1), -1);
    EXPECT_EQ(outputs(0, {0, 999, 1000, 1001}), (std::vector<int32_t>{0, 0, 0, 50}));
    EXPECT_EQ(outputs(1, {5000, 6000}), (std::vector<int32_t>{0, 0}));
}

TEST_F(SyncEnvelope, NegativePositionBlocksItsTrack) {
    setTrack(4, {{-5, 200, 0}, {100, 50, 0}});
    setTrack(0, {{100, 9, 0}});
    sync.seekCursors(0);
    EXPECT_EQ(cursor(4), 0);
    for (uint32_t at : {101u, 100000u, 0x7FFFFFFFu, 0xF0000000u}) {
        const auto values = frame(at);
        EXPECT_EQ(values[4], 0);
        EXPECT_EQ(values[0], 9);
    }
    EXPECT_EQ(cursor(4), 0);
}

TEST_F(SyncEnvelope, CursorsWalkFromFirstEventToMinusOne) {
    setTrack(0, {{10, 1, 0}, {20, 2, 0}, {30, 3, 0}});
    setTrack(1, {{10, 1, 0}});
    sync.seekCursors(0);
    std::vector<int32_t> three{cursor(0)}, one{cursor(1)}, none{cursor(2)};
    for (uint32_t at : {11u, 21u, 31u, 41u}) {
        frame(at);
        three.push_back(cursor(0));
        one.push_back(cursor(1));
        none.push_back(cursor(2));
    }
    EXPECT_EQ(three, (std::vector<int32_t>{0, 1, 2, -1, -1}));
    EXPECT_EQ(one, (std::vector<int32_t>{0, -1, -1, -1, -1}));
    EXPECT_EQ(none, (std::vector<int32_t>{-1, -1, -1, -1, -1}));
}

TEST_F(SyncEnvelope, SeekStartsAfterTheLastReadingAndLoopsDoNotRewind) {
    setTrack(0, {{100, 1, 0}, {200, 2, 0}, {300, 3, 0}});
    EXPECT_EQ(frame(250)[0], 1); // cursors start at 0 before any seek
    sync.seekCursors(0);
    EXPECT_EQ(cursor(0), 2);
    // The music starts over: what fired does not fire again, and the waiting
    // event fires once the clock passes it again.
    EXPECT_EQ(outputs(0, {20, 150, 300, 301}), (std::vector<int32_t>{1, 1, 1, 3}));
    EXPECT_EQ(cursor(0), -1);
}

TEST_F(SyncEnvelope, NextEventReportsNothingLeftNotDueAndFired) {
    setTrack(0, {{100, 42, 3}});
    sync.seekCursors(0);
    SyncEvent event{};
    EXPECT_EQ(sync.nextEvent(0, 0, event), 0);
    EXPECT_EQ(sync.nextEvent(0, 1, event), -1);
    sync.state.position = 101;
    EXPECT_EQ(sync.nextEvent(0, 0, event), 1);
    EXPECT_EQ(event.value, 42);
    EXPECT_EQ(event.duration, 3);
    EXPECT_EQ(sync.nextEvent(0, 0, event), -1);
    // Out-of-range patterns and tracks have nothing to fire.
    EXPECT_EQ(sync.nextEvent(maxPatterns, 0, event), -1);
    EXPECT_EQ(sync.nextEvent(0, tracksPerPattern, event), -1);
}

} // namespace
