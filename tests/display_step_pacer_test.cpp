#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "display/StepPacer.h"

namespace {

using Clock = StepPacer::Clock;

Clock::time_point at(double seconds) {
    return Clock::time_point{} + std::chrono::hours(1) +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

struct Played {
    int64_t steps = 0;
    int64_t presents = 0;
    int32_t most = 0; // the most steps one present took
};

// Presents for `seconds` of play at the times `next` gives (from the previous
// present's time), counting the steps the pacer hands out.
template <typename Next> Played play(StepPacer& pacer, double seconds, Next next) {
    Played run;
    for (double t = 0; t < seconds; t = next(t)) {
        const int32_t steps = pacer.stepsBefore(at(t));
        run.steps += steps;
        run.most = std::max(run.most, steps);
        ++run.presents;
    }
    return run;
}

Played playAt(double hz, double claimedHz, double jitterMs = 0, uint32_t seed = 1) {
    StepPacer pacer;
    pacer.start(claimedHz);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> jitter(-jitterMs, jitterMs);
    int64_t n = 0;
    return play(pacer, 10.0, [&](double) { return ++n / hz + jitter(random) / 1000; });
}

} // namespace

TEST(DisplayStepPacer, NearSixtyHertzEveryPresentTakesExactlyOneStep) {
    for (const double hz : {59.0, 59.94, 60.0, 60.5, 61.0}) {
        SCOPED_TRACE(hz);
        for (const double jitterMs : {0.0, 1.5}) {
            const Played run = playAt(hz, std::round(hz), jitterMs);
            EXPECT_EQ(run.steps, run.presents);
            EXPECT_EQ(run.most, 1);
        }
    }
    // A display that claims nothing is taken as 60 Hz until measured.
    const Played unknown = playAt(60.0, 0);
    EXPECT_EQ(unknown.steps, unknown.presents);
}

TEST(DisplayStepPacer, OtherRatesTakeSixtyStepsPerSecond) {
    for (const double hz : {30.0, 50.0, 75.0, 120.0, 144.0, 240.0}) {
        SCOPED_TRACE(hz);
        for (const double jitterMs : {0.0, 1.5}) {
            const Played run = playAt(hz, hz, jitterMs);
            EXPECT_NEAR(run.steps, 600, 3); // 0.5 %
            EXPECT_LE(run.most, static_cast<int32_t>(std::ceil(60.0 / hz)) + 1);
        }
    }
    // A display that claims 60 Hz but presents at 144 is measured; its first
    // presents believe the claim, a few steps too many once.
    const Played wrongClaim = playAt(144.0, 60.0);
    EXPECT_NEAR(wrongClaim.steps, 600, 3 + StepPacer::firstMeasureGaps);
}

TEST(DisplayStepPacer, VariableRateFollowsTheClock) {
    for (const uint32_t seed : {1u, 2u, 3u}) {
        StepPacer pacer;
        pacer.start(60);
        std::mt19937 random(seed);
        // Gaps anywhere from 4 to 30 ms: the median lies near 60 Hz, but the
        // presents are not steady.
        std::uniform_real_distribution<double> gap(0.004, 0.030);
        const Played run = play(pacer, 10.0, [&](double t) { return t + gap(random); });
        EXPECT_NEAR(run.steps, 600, 3) << "seed " << seed;
        EXPECT_FALSE(pacer.lockedToPresents());
    }
}

TEST(DisplayStepPacer, AStallCatchesUpAQuarterSecondAtMost) {
    StepPacer pacer;
    pacer.start(144);
    double t = 0;
    for (int i = 0; i < 100; ++i) pacer.stepsBefore(at(t += 1 / 144.0));
    // Two seconds without a present: a quarter of a second is made up, the
    // rest is dropped; then the pace goes on as before.
    EXPECT_EQ(pacer.stepsBefore(at(t += 2.0)), StepPacer::maxCatchUpSteps);
    int64_t after = 0;
    for (int i = 0; i < 144; ++i) after += pacer.stepsBefore(at(t += 1 / 144.0));
    EXPECT_NEAR(after, 60, 1);
    // A stall of hours neither overflows nor takes more.
    EXPECT_EQ(pacer.stepsBefore(at(t + 36000.0)), StepPacer::maxCatchUpSteps);
}

TEST(DisplayStepPacer, PausedTimeIsNeitherSteppedNorCaughtUp) {
    StepPacer pacer;
    pacer.start(144);
    double t = 0;
    int64_t steps = 0;
    for (int i = 0; i < 144 * 3; ++i) steps += pacer.stepsBefore(at(t += 1 / 144.0));
    pacer.pause();
    EXPECT_EQ(pacer.stepsBefore(at(t += 0.5)), 0);
    t += 5.0; // minimised for five seconds
    pacer.resume();
    // The first present after the pause shows one fresh step, not five
    // seconds' worth.
    EXPECT_EQ(pacer.stepsBefore(at(t)), 1);
    for (int i = 0; i < 144 * 3; ++i) steps += pacer.stepsBefore(at(t += 1 / 144.0));
    EXPECT_NEAR(steps + 1, 360, 2);

    StepPacer locked; // at 60 Hz too
    locked.start(60);
    locked.stepsBefore(at(0));
    locked.pause();
    locked.resume();
    EXPECT_EQ(locked.stepsBefore(at(10)), 1);
}
