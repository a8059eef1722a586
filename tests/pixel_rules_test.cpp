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

// The word-at-once saturating add against the per-byte rule: every pair of
// byte values, in every byte position, with the other bytes varied so that
// carries into or out of a neighbour would show.
TEST(PixelRules, AddSaturateWordMatchesTheRuleForEveryBytePair) {
    uint32_t seed = 7;
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t b = 0; b < 256; ++b) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t d = seed & 0x00FF00FFu;
            const uint32_t s = (seed >> 8) & 0x00FF00FFu;
            for (int k = 0; k < 4; ++k) {
                const uint32_t dk = (d & ~(0xFFu << (8 * k))) | (a << (8 * k));
                const uint32_t sk = (s & ~(0xFFu << (8 * k))) | (b << (8 * k));
                ASSERT_EQ(pixel::addSaturateWord(dk, sk), pixel::addSaturate(dk, sk))
                    << a << " + " << b << " in byte " << k;
            }
        }
}
