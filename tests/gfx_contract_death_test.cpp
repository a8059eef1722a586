// The unchecked operations trust their caller to stay inside the destination
// and to respect their minimum sizes. Builds with assertions (the sanitizer
// tree) check that contract, so a caller's mistake stops the program at the
// call instead of writing over memory. Release builds check nothing.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "gfx/Bitmap.h"
#include "gfx_test_support.h"

#ifndef NDEBUG
namespace {

using gfxtest::TestBitmap;

constexpr const char* assertion = "Assertion";

TEST(GfxContractDeathTest, PlainMembersStayInsideTheDestination) {
    TestBitmap source(4, 2), destination(8, 4);
    source.x = 5; // three columns past the right edge
    EXPECT_DEATH(source.add(destination), assertion);
    EXPECT_DEATH(source.blit(destination), assertion);
    source.x = -1;
    EXPECT_DEATH(source.blend(destination, 10), assertion);
    source.x = 0;
    source.y = 3; // one row past the bottom
    EXPECT_DEATH(source.addFactor(destination, 10), assertion);
    source.y = -2;
    EXPECT_DEATH(source.average(destination), assertion);

    // The pair-wise members need an even width of at least 2, and all a row.
    TestBitmap odd(3, 1), empty(2, 0);
    EXPECT_DEATH(odd.add(destination), assertion);
    EXPECT_DEATH(odd.average(destination), assertion);
    EXPECT_DEATH(empty.blit(destination), assertion);
}

TEST(GfxContractDeathTest, ScaledMembersNeedAUsableSizeInsideTheDestination) {
    TestBitmap source(4, 4), destination(8, 8);
    source.x = source.y = 4;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_DEATH(source.blitScaled(destination, 0.0f, 1.0f), assertion);
    EXPECT_DEATH(source.addScaled(destination, 1.0f, nan), assertion);
    EXPECT_DEATH(source.averageScaled(destination, -1.0f, 1.0f), assertion);
    EXPECT_DEATH(source.blendScaled(destination, 1e-30f, 1.0f, 9), assertion);   // overflows
    EXPECT_DEATH(source.addFactorScaled(destination, 8.0f, 1.0f, 9), assertion); // dw = 0
    EXPECT_DEATH(source.blitScaled(destination, 0.25f, 1.0f), assertion);        // 16 wide
    source.x = 1;                                                                // left = -1
    EXPECT_DEATH(source.addScaled(destination, 1.0f, 1.0f), assertion);
}

TEST(GfxContractDeathTest, SingleBitmapOperationsRespectTheirMinimumSizes) {
    TestBitmap three(3, 1), none(0, 0);
    EXPECT_DEATH(three.brighten(0x01010101), assertion);
    EXPECT_DEATH(three.darken(0x01010101), assertion);

    std::array<uint8_t, 64> bytes{};
    std::array<uint32_t, 256> colours{};
    Bitmap map;
    map.pixels = reinterpret_cast<uint32_t*>(bytes.data());
    map.palette = colours.data();
    map.width = map.height = 2;
    EXPECT_DEATH(none.addMapped(map), assertion);
    TestBitmap b(8, 8);
    map.x = 7; // one column past the right edge
    EXPECT_DEATH(b.subMappedAt(map), assertion);
    map.x = 0;
    map.y = -1;
    EXPECT_DEATH(b.subMappedAt(map), assertion);
    map.y = 0;
    map.palette = nullptr;
    EXPECT_DEATH(b.subMapped(map), assertion);
}

TEST(GfxContractDeathTest, LinesAndRotozoomStayInTheirBounds) {
    TestBitmap canvas(512, 16), texture(512, 64), odd(512, 48), narrow(256, 16);
    EXPECT_DEATH(drawLine(0, 0, 512, 3, canvas, 0x00FFFFFF, 255), assertion);
    EXPECT_DEATH(drawLine(-1, 5, 10, 5, canvas, 0x00FFFFFF, 255), assertion);
    EXPECT_DEATH(drawLine(0, 0, 3, 16, canvas, 0x00FFFFFF, 255), assertion);
    EXPECT_DEATH(drawLine(0, 0, 3, 3, canvas, 0x00FFFFFF, 256), assertion);
    EXPECT_DEATH(rotozoom(narrow, texture, 0.0f, 1.0f, 0.0f, 0.0f, 255), assertion);
    EXPECT_DEATH(rotozoom(canvas, narrow, 0.0f, 1.0f, 0.0f, 0.0f, 255), assertion);
    EXPECT_DEATH(rotozoom(canvas, odd, 0.0f, 1.0f, 0.0f, 0.0f, 255), assertion);
    EXPECT_DEATH(rotozoom(canvas, texture, 0.0f, 1.0f, 0.0f, 0.0f, -1), assertion);
    TestBitmap inside(512, 16); // drawn into the texture's own rows
    inside.pixels = texture.pixels + 40 * 512;
    EXPECT_DEATH(rotozoom(inside, texture, 0.0f, 2.0f, 0.0f, 0.0f, 255), assertion);
    inside.pixels = texture.pixels + 64 * 512; // its row after the last, read as neighbours
    EXPECT_DEATH(rotozoom(inside, texture, 0.0f, 2.0f, 0.0f, 0.0f, 255), assertion);
}

} // namespace
#endif
