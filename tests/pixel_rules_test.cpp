#include <gtest/gtest.h>

#include "gfx/PixelRules.h"

TEST(PixelRules, WorkedExamples) {
    EXPECT_EQ(pixel::addSaturate(200, 100) & 0xFF, 255u);
    EXPECT_EQ(pixel::average(0x00FFFFFF, 0x00FFFFFF), 0x00FEFEFEu);
    EXPECT_EQ(pixel::average(0x00030303, 0x00050505), 0x00030303u);
    // The fourth byte's low bit lands in red's top bit.
    EXPECT_EQ(pixel::average(0x01800000, 0), 0x00C00000u);
    EXPECT_EQ(pixel::blend(0x00C8C8C8, 0, 0), 0x00C7C7C7u);
    EXPECT_EQ(pixel::addFactor(0x00000000, 0x00FFFFFF, 255), 0x00FEFEFEu);
}
