// The capture's frame clock and its use as the music clock.
#include <gtest/gtest.h>

#include "sync/FrameClock.h"
#include "sync/MusicSync.h"

namespace {

TEST(SyncFrameClock, PositionOfFrameNIsExactTruncatedQuotient) {
    FrameClock sixty(176400, 60);
    EXPECT_EQ(sixty.position(), 0u);
    for (int i = 0; i < 3; ++i) sixty.advance();
    EXPECT_EQ(sixty.position(), 3u * 2940u);

    FrameClock odd(100, 3); // 33.33 bytes a frame: truncated, never drifting
    std::vector<uint32_t> got;
    for (int i = 0; i < 7; ++i, odd.advance()) got.push_back(odd.position());
    EXPECT_EQ(got, (std::vector<uint32_t>{0, 33, 66, 100, 133, 166, 200}));

    // Far into a run the 64-bit product stays exact; the position wraps as
    // a 32-bit number does.
    FrameClock late(192000, 24);
    late.setFrame(1'000'000'000);
    EXPECT_EQ(late.frame(), 1'000'000'000);
    EXPECT_EQ(late.position(), static_cast<uint32_t>(8'000'000'000'000ULL));
}

TEST(SyncFrameClock, RecordsVolumeAndRejectsBadRates) {
    FrameClock clock(0, -5);
    EXPECT_EQ(clock.bytesPerSecond(), 1);
    EXPECT_EQ(clock.framesPerSecond(), 1);
    EXPECT_EQ(clock.volume(), 100);
    MusicSync sync;
    sync.useClock(&clock);
    sync.setVolume(12);
    EXPECT_EQ(clock.volume(), 12);
}

TEST(SyncFrameClock, DrivesEnvelopesFrameByFrame) {
    FrameClock clock(176400, 60); // 2940 bytes a frame
    MusicSync sync;
    sync.allocatePatterns();
    sync.patterns[0].eventCount[0] = 1;
    sync.patterns[0].events[0][0] = SyncEvent{2940 * 10, 80, 0};
    sync.useClock(&clock);
    sync.seekCursors(0);
    int32_t values[tracksPerPattern];
    int firstLit = -1;
    for (int f = 0; f < 20 && firstLit < 0; ++f, clock.advance()) {
        sync.updateEnvelopes(values, 0);
        if (values[0] == 80) firstLit = f;
    }
    EXPECT_EQ(firstLit, 11); // frame 10 is exactly at the position
}

} // namespace
