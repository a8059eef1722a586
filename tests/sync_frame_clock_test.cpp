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

// Given the soundtrack's pass, the position starts over where the played
// soundtrack's does: after the last byte of the pass comes byte 0 again.
TEST(SyncFrameClock, StartsOverAtTheEndOfTheSoundtracksPass) {
    FrameClock clock(176400, 60); // 2940 bytes a frame
    clock.setLoopBytes(10000);
    std::vector<uint32_t> got;
    for (int i = 0; i < 8; ++i, clock.advance()) got.push_back(clock.position());
    EXPECT_EQ(got, (std::vector<uint32_t>{0, 2940, 5880, 8820, 1760, 4700, 7640, 580}));
    // Many passes later the reading is still the exact remainder.
    clock.setFrame(1'000'000);
    EXPECT_EQ(clock.position(), 2'940'000'000u % 10000u);
    clock.setLoopBytes(0);
    EXPECT_EQ(clock.position(), 2'940'000'000u);
}

} // namespace
