// The generator's own sine and exponential stand in for the maths library so
// that its output is the same everywhere; they must still be right.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/DetMath.h"

TEST(GeneratorMath, SineCosineAndPowersMatchTheLibraryOverTheirRange) {
    for (double x = -200.0; x <= 200.0; x += 0.0137) {
        ASSERT_NEAR(detmath::sin(x), std::sin(x), 1e-12) << x;
        ASSERT_NEAR(detmath::cos(x), std::cos(x), 1e-12) << x;
    }
    for (double x = -40.0; x <= 40.0; x += 0.01) {
        ASSERT_NEAR(detmath::exp2(x) / std::exp2(x), 1.0, 1e-12) << x;
        ASSERT_NEAR(detmath::exp(x / 8.0) / std::exp(x / 8.0), 1.0, 1e-12) << x;
    }
    EXPECT_EQ(detmath::exp2(-2000.0), 0.0);
    EXPECT_EQ(detmath::exp2(3.0), 8.0);
}
