// Bitmap's operations on a single bitmap (fill, brighten, darken, the index
// map operations, blur8), the memory of Bitmap::create and Picture, and the
// fixed layout of the class.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Picture.h"
#include "gfx_test_support.h"

namespace {

using gfxtest::addBytes;
using gfxtest::byteAt;
using gfxtest::randomize;
using gfxtest::TestBitmap;
using gfxtest::uniform;

uint32_t subBytes(uint32_t d, uint32_t s) {
    uint32_t r = 0;
    for (int k = 0; k < 4; ++k)
        r |= (byteAt(d, k) > byteAt(s, k) ? byteAt(d, k) - byteAt(s, k) : 0) << (8 * k);
    return r;
}

TEST(GfxFill, SetsExactlyTheBitmapsPixels) {
    std::mt19937 rng(21);
    for (int32_t trial = 0; trial < 200; ++trial) {
        TestBitmap b(uniform(rng, 1, 70), uniform(rng, 1, 9), 32);
        randomize(rng, b);
        // Colours of four equal bytes (black above all) and any others.
        const uint32_t colour = trial % 2 ? static_cast<uint32_t>(rng())
                                          : (static_cast<uint32_t>(rng()) & 0xFF) * 0x01010101u;
        std::vector<uint32_t> want = b.storage;
        std::fill_n(want.begin() + 32, b.width * b.height, colour);
        b.fill(colour);
        ASSERT_EQ(b.storage, want) << b.width << "x" << b.height << " " << std::hex << colour;
    }
    TestBitmap canvas(512, 256, 16);
    canvas.fill(0x00102030);
    EXPECT_EQ(std::count(canvas.storage.begin(), canvas.storage.end(), 0x00102030u), 131072);
}

TEST(GfxFill, EmptyBitmapIsLeftAlone) {
    uint32_t sentinel[4] = {1, 2, 3, 4};
    Bitmap empty;
    empty.pixels = sentinel;
    empty.fill(0xFFFFFFFF);
    Bitmap nothing; // no pixels at all
    nothing.fill(0xFFFFFFFF);
    EXPECT_EQ(sentinel[0], 1u);
    EXPECT_EQ(sentinel[3], 4u);
    fillPixels(sentinel, 9, 0);
    EXPECT_EQ(sentinel[0], 1u);
    fillPixels(sentinel + 1, 9, 2);
    EXPECT_EQ(sentinel[0], 1u);
    EXPECT_EQ(sentinel[2], 9u);
    EXPECT_EQ(sentinel[3], 4u);
}

TEST(GfxBrightenDarken, FourByteExamples) {
    TestBitmap b(4, 1, 0);
    const uint32_t start[4] = {0x00000000, 0x12345678, 0xFF00FF00, 0x80FFFFFF};
    std::copy(start, start + 4, b.pixels);
    b.brighten(0x00FFFFFF); // blue, green and red become 255; the fourth byte stays
    EXPECT_EQ(b.snapshot(),
              (std::vector<uint32_t>{0x00FFFFFF, 0x12FFFFFF, 0xFFFFFFFF, 0x80FFFFFF}));
    std::copy(start, start + 4, b.pixels);
    b.darken(0x00FFFFFF);
    EXPECT_EQ(b.snapshot(), (std::vector<uint32_t>{0, 0x12000000, 0xFF000000, 0x80000000}));
}

// They work in steps of four pixels: a 3 × 2 bitmap has its last two pixels
// left as they were.
TEST(GfxBrightenDarken, LastPixelsOutsideAStepOfFourStay) {
    std::mt19937 rng(4);
    for (int32_t trial = 0; trial < 200; ++trial) {
        TestBitmap b(trial == 0 ? 3 : uniform(rng, 1, 40), trial == 0 ? 2 : uniform(rng, 1, 6), 8);
        if (b.width * b.height < 4) continue;
        randomize(rng, b);
        const uint32_t colour = static_cast<uint32_t>(rng());
        const bool brighten = trial % 2 == 0;
        std::vector<uint32_t> want = b.storage;
        const int32_t steps = b.width * b.height / 4;
        for (int32_t i = 0; i < steps * 4; ++i)
            want[8 + i] = brighten ? addBytes(want[8 + i], colour) : subBytes(want[8 + i], colour);
        if (brighten)
            b.brighten(colour);
        else
            b.darken(colour);
        ASSERT_EQ(b.storage, want)
            << (brighten ? "brighten " : "darken ") << b.width << "x" << b.height;
    }
}

// An index map over a byte array, with its own palette.
struct IndexMap : Bitmap {
    IndexMap(int32_t w, int32_t h, std::mt19937& rng) : bytes(static_cast<size_t>(w) * h + 16) {
        width = w;
        height = h;
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
        for (uint32_t& c : colours) c = static_cast<uint32_t>(rng());
        colours[0] = 0; // index 0 changes nothing
        pixels = reinterpret_cast<uint32_t*>(bytes.data());
        palette = colours.data();
    }
    std::vector<uint8_t> bytes;
    std::array<uint32_t, 256> colours{};
};

TEST(GfxIndexMaps, AddAndSubtractMappedColoursOverThisBitmapsCount) {
    std::mt19937 rng(8);
    for (int32_t trial = 0; trial < 100; ++trial) {
        TestBitmap b(uniform(rng, 1, 30), uniform(rng, 1, 8), 8);
        randomize(rng, b);
        // The map holds more bytes than needed: the count is this bitmap's.
        IndexMap map(b.width + 3, b.height + 2, rng);
        if (trial % 3 == 0) std::fill(map.bytes.begin(), map.bytes.begin() + 10, uint8_t{0});
        const bool add = trial % 2 == 0;
        std::vector<uint32_t> want = b.storage;
        for (int32_t i = 0; i < b.width * b.height; ++i) {
            const uint32_t c = map.colours[map.bytes[static_cast<size_t>(i)]];
            want[8 + i] = add ? addBytes(want[8 + i], c) : subBytes(want[8 + i], c);
        }
        if (add)
            b.addMapped(map);
        else
            b.subMapped(map);
        ASSERT_EQ(b.storage, want) << (add ? "addMapped " : "subMapped ") << trial;
    }
}

TEST(GfxIndexMaps, SubMappedAtChangesOnlyTheMapsRectangle) {
    std::mt19937 rng(12);
    TestBitmap b(512, 8, 8);
    std::fill(b.storage.begin(), b.storage.end(), 0x80808080u);
    IndexMap map(2, 2, rng);
    std::fill(map.colours.begin(), map.colours.end(), 0x01010101u);
    map.x = 10;
    map.y = 5;
    b.subMappedAt(map);
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t c = 0; c < 512; ++c)
            ASSERT_EQ(b.at(c, r),
                      (r == 5 || r == 6) && (c == 10 || c == 11) ? 0x7F7F7F7Fu : 0x80808080u)
                << c << "," << r;
    EXPECT_EQ(b.storage.front(), 0x80808080u);
    EXPECT_EQ(b.storage.back(), 0x80808080u);

    for (int32_t trial = 0; trial < 100; ++trial) {
        TestBitmap d(uniform(rng, 1, 40), uniform(rng, 1, 20), 8);
        randomize(rng, d);
        IndexMap m(uniform(rng, 1, d.width), uniform(rng, 1, d.height), rng);
        m.x = uniform(rng, 0, d.width - m.width);
        m.y = uniform(rng, 0, d.height - m.height);
        std::vector<uint32_t> want = d.storage;
        for (int32_t r = 0; r < m.height; ++r)
            for (int32_t c = 0; c < m.width; ++c) {
                uint32_t& p = want[8 + (m.y + r) * d.width + m.x + c];
                p = subBytes(p, m.colours[m.bytes[static_cast<size_t>(r * m.width + c)]]);
            }
        d.subMappedAt(m);
        ASSERT_EQ(d.storage, want) << trial;
    }
}

// The pass straight from its definition: in place, ascending, row stride 512.
void blurByDefinition(uint32_t* p, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        uint32_t r = 0;
        for (int k = 0; k < 4; ++k) {
            uint32_t sum = 0;
            for (int32_t o : {-513, -512, -511, -1, 1, 511, 512, 513}) sum += byteAt(p[i + o], k);
            r |= (sum >> 3) << (8 * k);
        }
        p[i] = r;
    }
}

TEST(GfxBlur8, MatchesTheInPlacePassForAnyWidth) {
    std::mt19937 rng(15);
    for (int32_t trial = 0; trial < 24; ++trial) {
        const int32_t w = trial % 3 == 0 ? 512 : uniform(rng, 1, 700);
        TestBitmap b(w, uniform(rng, 1, 5), 520);
        randomize(rng, b);
        if (trial % 4 == 1) // dark pixels, as on a mostly black canvas
            for (uint32_t& p : b.storage) p &= 0x0F1F3F7F;
        std::vector<uint32_t> want = b.storage;
        blurByDefinition(want.data() + 520, w * b.height);
        b.blur8();
        ASSERT_EQ(b.storage, want) << w << "x" << b.height;
    }
}

// A pixel becomes the mean of its neighbours, so one colour stays as it is,
// up to the last 513 pixels, which read the memory after the bitmap.
TEST(GfxBlur8, OneColourStaysUpToTheEnd) {
    std::mt19937 rng(16);
    TestBitmap b(512, 6, 520);
    randomize(rng, b);
    std::fill(b.storage.begin(), b.storage.begin() + 520 + 512 * 6, 0x5A3C7E01u);
    b.blur8();
    for (int32_t i = 0; i < 512 * 6 - 513; ++i) ASSERT_EQ(b.pixels[i], 0x5A3C7E01u) << i;
    EXPECT_NE(b.pixels[512 * 6 - 1], 0x5A3C7E01u);
}

// The canvas is made by create; blur8 reads 513 pixels either side of it, so
// that memory must exist and hold zeros. Kept static: the block is never
// released, as for the real canvas.
TEST(GfxBitmapMemory, CreateLeavesZeroedMemoryAroundThePixels) {
    static Bitmap canvas;
    canvas.create(512, 4);
    EXPECT_EQ(canvas.width, 512);
    EXPECT_EQ(canvas.height, 4);
    for (int32_t i = -1024; i < 512 * 4 + 1024; ++i) ASSERT_EQ(canvas.pixels[i], 0u) << i;
    canvas.fill(0x10101010);
    std::vector<uint32_t> want(canvas.pixels - 1024, canvas.pixels + 512 * 4 + 1024);
    blurByDefinition(want.data() + 1024, 512 * 4);
    canvas.blur8();
    EXPECT_TRUE(std::equal(want.begin(), want.end(), canvas.pixels - 1024));
    // The first pixel's neighbours before the block are zeros: three in the
    // row above and the one to its left.
    EXPECT_EQ(canvas.pixels[0], 0x08080808u);
}

TEST(GfxPictureMemory, GuardBandsAreClearedAndHoldTheFirstRowsAfterTheLast) {
    Picture picture;
    EXPECT_EQ(picture.pixels, nullptr);
    picture.createGuarded(512, 4);
    EXPECT_EQ(picture.width, 512);
    EXPECT_EQ(picture.height, 4);
    uint32_t* p = picture.pixels;
    for (int32_t i = -1024; i < 512 * 4 + 1024; ++i) ASSERT_EQ(p[i], 0u) << i;
    for (int32_t i = 0; i < 512 * 4; ++i) p[i] = static_cast<uint32_t>(i + 1);
    picture.mirrorFirstRowsIntoGuard();
    for (int32_t i = 0; i < 1024; ++i) ASSERT_EQ(p[512 * 4 + i], static_cast<uint32_t>(i + 1));
    for (int32_t i = -1024; i < 0; ++i) ASSERT_EQ(p[i], 0u) << i;

    // A picture smaller than the band mirrors all of itself and no more.
    Picture small;
    small.createGuarded(3, 2);
    for (int32_t i = 0; i < 6; ++i) small.pixels[i] = 7;
    small.mirrorFirstRowsIntoGuard();
    for (int32_t i = 6; i < 12; ++i) EXPECT_EQ(small.pixels[i], 7u);
    for (int32_t i = 12; i < 1030; ++i) ASSERT_EQ(small.pixels[i], 0u);

    // A second block replaces the first (the sanitizer tree reports a leak if
    // the first is not released); a never-loaded picture releases nothing.
    picture.createGuarded(8, 8);
    EXPECT_EQ(picture.pixels[-1], 0u);
    Picture neverLoaded;
}

// The operations' order in the virtual table, the fields' order and the
// bases of Picture are fixed. A pointer to a virtual member holds 1 + its
// byte offset in the table under the Itanium C++ ABI that gcc and clang use.
template <typename F> std::ptrdiff_t slotOf(F member) {
    struct {
        uintptr_t pointer;
        ptrdiff_t adjust;
    } representation;
    static_assert(sizeof(F) == sizeof(representation));
    std::memcpy(&representation, &member, sizeof(representation));
    return static_cast<std::ptrdiff_t>((representation.pointer - 1) / sizeof(void*));
}

TEST(GfxBitmapLayout, OperationsFieldsAndBasesInTheirFixedOrder) {
    const std::ptrdiff_t slots[] = {
        slotOf(&Bitmap::blit),
        slotOf(&Bitmap::blitClipped),
        slotOf(&Bitmap::blitScaled),
        slotOf(&Bitmap::blitScaledClipped),
        slotOf(&Bitmap::add),
        slotOf(&Bitmap::addClipped),
        slotOf(&Bitmap::addScaled),
        slotOf(&Bitmap::addScaledClipped),
        slotOf(&Bitmap::average),
        slotOf(&Bitmap::averageClipped),
        slotOf(&Bitmap::averageScaled),
        slotOf(&Bitmap::averageScaledClipped),
        slotOf(&Bitmap::blend),
        slotOf(&Bitmap::blendClipped),
        slotOf(&Bitmap::blendScaled),
        slotOf(&Bitmap::blendScaledClipped),
        slotOf(&Bitmap::addFactor),
        slotOf(&Bitmap::addFactorScaled),
        slotOf(&Bitmap::addFactorScaledClipped),
        slotOf(&Bitmap::reserved),
        slotOf(&Bitmap::fill),
        slotOf(&Bitmap::brighten),
        slotOf(&Bitmap::addMapped),
        slotOf(&Bitmap::darken),
        slotOf(&Bitmap::subMapped),
        slotOf(&Bitmap::subMappedAt),
        slotOf(&Bitmap::blur8),
    };
    for (std::ptrdiff_t i = 0; i < 27; ++i) EXPECT_EQ(slots[i], i);

    Bitmap b;
    const auto offset = [&b](const void* field) {
        return static_cast<const char*>(field) - reinterpret_cast<const char*>(&b);
    };
    EXPECT_EQ(offset(&b.width), static_cast<std::ptrdiff_t>(sizeof(void*)));
    EXPECT_LT(offset(&b.width), offset(&b.height));
    EXPECT_LT(offset(&b.height), offset(&b.x));
    EXPECT_LT(offset(&b.x), offset(&b.y));
    EXPECT_LT(offset(&b.y), offset(&b.pixels));
    EXPECT_LT(offset(&b.pixels), offset(&b.palette));

    Picture picture;
    EXPECT_EQ(static_cast<void*>(static_cast<Bitmap*>(&picture)), static_cast<void*>(&picture));
    EXPECT_GT(reinterpret_cast<char*>(static_cast<ImageSource*>(&picture)),
              reinterpret_cast<char*>(&picture));
}

} // namespace
