#include <gtest/gtest.h>

#include "display/CrispScale.h"

namespace {

void expectPlan(const CrispScalePlan& plan, int32_t x, int32_t y, int32_t w, int32_t h,
                int32_t prescale) {
    EXPECT_EQ(plan.x, x);
    EXPECT_EQ(plan.y, y);
    EXPECT_EQ(plan.width, w);
    EXPECT_EQ(plan.height, h);
    EXPECT_EQ(plan.prescale, prescale);
}

} // namespace

TEST(DisplayCrispScale, WholeFactorsAreDrawnStraightWithNearestNeighbour) {
    expectPlan(planCrispScale(512, 384, 512, 384), 0, 0, 512, 384, 1); // the window: 1:1
    expectPlan(planCrispScale(1024, 768, 512, 384), 0, 0, 1024, 768, 1);
    // 1366 × 768: twice the size, bars left and right.
    expectPlan(planCrispScale(1366, 768, 512, 384), 171, 0, 1024, 768, 1);
    // A tall output: bars above and below.
    expectPlan(planCrispScale(1024, 1000, 512, 384), 0, 116, 1024, 768, 1);
}

TEST(DisplayCrispScale, OtherFactorsEnlargeByTheNextWholeFactorFirst) {
    expectPlan(planCrispScale(1920, 1080, 512, 384), 240, 0, 1440, 1080, 3);
    expectPlan(planCrispScale(1280, 1024, 512, 384), 0, 32, 1280, 960, 3);
    expectPlan(planCrispScale(800, 600, 512, 384), 0, 0, 800, 600, 2);
    // A very large screen stops at the largest enlargement.
    expectPlan(planCrispScale(7680, 4320, 512, 384), 960, 0, 5760, 4320, maxPrescale);
}

TEST(DisplayCrispScale, SmallerOutputsShrinkLinearlyAndEmptyOnesDrawNothing) {
    expectPlan(planCrispScale(320, 240, 512, 384), 0, 0, 320, 240, 0);
    const CrispScalePlan none = planCrispScale(0, 0, 512, 384);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}
