#include <gtest/gtest.h>

#include "display/PresentPacer.h"

namespace {

using Clock = PresentPacer::Clock;
using std::chrono::milliseconds;

Clock::time_point at(double ms) {
    return Clock::time_point{} + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double, std::milli>(ms));
}

} // namespace

TEST(DisplayPacer, WithoutVsyncPresentsAreOneRefreshPeriodApart) {
    PresentPacer pacer;
    pacer.start(0, false); // unknown refresh rate: 60 Hz
    EXPECT_TRUE(pacer.pacing());
    EXPECT_EQ(pacer.presentTime(at(1000)), at(1000)); // the first frame goes at once
    // Quick frames wait for their slot.
    EXPECT_EQ(pacer.presentTime(at(1001)), at(1000) + pacer.period());
    EXPECT_EQ(pacer.presentTime(at(1020)), at(1000) + 2 * pacer.period());
    // A frame a little late goes at once and keeps the schedule...
    EXPECT_EQ(pacer.presentTime(at(1055)), at(1055));
    EXPECT_EQ(pacer.presentTime(at(1056)), at(1000) + 4 * pacer.period());
    // ...a frame far behind starts a new one instead of a burst of presents.
    EXPECT_EQ(pacer.presentTime(at(2000)), at(2000));
    EXPECT_EQ(pacer.presentTime(at(2001)), at(2000) + pacer.period());
}

TEST(DisplayPacer, VsyncClaimIsCheckedAgainstThePresents) {
    PresentPacer honest;
    honest.start(75, true);
    EXPECT_FALSE(honest.pacing());
    for (int i = 0; i <= PresentPacer::vsyncSampleCount; ++i) {
        EXPECT_EQ(honest.presentTime(at(i * 13.3)), at(i * 13.3));
        honest.presented(at(i * 13.3));
    }
    EXPECT_FALSE(honest.pacing());

    PresentPacer empty; // presents return at once: the claim was empty
    empty.start(60, true);
    for (int i = 0; i <= PresentPacer::vsyncSampleCount; ++i) empty.presented(at(i * 0.2));
    EXPECT_TRUE(empty.pacing());
}
