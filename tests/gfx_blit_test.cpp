// The 19 members of the blit family, run through the Bitmap interface (so
// through whichever kernel set is active), against a per-pixel reference
// written here from the combine rules and the placements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx_test_support.h"

namespace {

using gfxtest::byteAt;
using gfxtest::randomize;
using gfxtest::TestBitmap;
using gfxtest::uniform;

enum class Rule { copy, add, average, blend, addFactor };
enum class Place { plain, clipped, scaled, scaledClipped };

uint32_t combine(Rule rule, uint32_t d, uint32_t s, int32_t factor) {
    const uint32_t f = static_cast<uint32_t>(factor) & 0xFF;
    if (rule == Rule::copy) return s;
    if (rule == Rule::average) {
        const uint32_t hd = (d & 0xFFFEFEFE) >> 1, hs = (s & 0xFFFEFEFE) >> 1;
        uint32_t r = 0;
        for (int k = 0; k < 4; ++k) r |= ((byteAt(hd, k) + byteAt(hs, k)) % 256) << (8 * k);
        return r;
    }
    uint32_t r = 0;
    for (int k = 0; k < 4; ++k) {
        const uint32_t db = byteAt(d, k), sb = byteAt(s, k);
        uint32_t v = 0;
        if (rule == Rule::add) v = std::min(255u, db + sb);
        if (rule == Rule::blend) v = ((db * (255 - f)) >> 8) + ((sb * f) >> 8);
        if (rule == Rule::addFactor) v = std::min(255u, db + ((sb * f) >> 8));
        r |= v << (8 * k);
    }
    return r;
}

struct Member {
    const char* name;
    Rule rule;
    Place place;
    bool pairs; // works on pixel pairs: even width of at least 2
    std::function<void(Bitmap&, Bitmap&, float, float, int32_t)> call;
};

// All 19, in their order in the table of operations.
const std::vector<Member>& members() {
    static const std::vector<Member> all = {
        {"blit", Rule::copy, Place::plain, false,
         [](Bitmap& s, Bitmap& d, float, float, int32_t) { s.blit(d); }},
        {"blitClipped", Rule::copy, Place::clipped, false,
         [](Bitmap& s, Bitmap& d, float, float, int32_t) { s.blitClipped(d); }},
        {"blitScaled", Rule::copy, Place::scaled, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t) { s.blitScaled(d, sx, sy); }},
        {"blitScaledClipped", Rule::copy, Place::scaledClipped, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t) { s.blitScaledClipped(d, sx, sy); }},
        {"add", Rule::add, Place::plain, true,
         [](Bitmap& s, Bitmap& d, float, float, int32_t) { s.add(d); }},
        {"addClipped", Rule::add, Place::clipped, false,
         [](Bitmap& s, Bitmap& d, float, float, int32_t) { s.addClipped(d); }},
        {"addScaled", Rule::add, Place::scaled, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t) { s.addScaled(d, sx, sy); }},
        {"addScaledClipped", Rule::add, Place::scaledClipped, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t) { s.addScaledClipped(d, sx, sy); }},
        {"average", Rule::average, Place::plain, true,
         [](Bitmap& s, Bitmap& d, float, float, int32_t) { s.average(d); }},
        {"averageClipped", Rule::average, Place::clipped, false,
         [](Bitmap& s, Bitmap& d, float, float, int32_t) { s.averageClipped(d); }},
        {"averageScaled", Rule::average, Place::scaled, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t) { s.averageScaled(d, sx, sy); }},
        {"averageScaledClipped", Rule::average, Place::scaledClipped, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t) {
             s.averageScaledClipped(d, sx, sy);
         }},
        {"blend", Rule::blend, Place::plain, true,
         [](Bitmap& s, Bitmap& d, float, float, int32_t f) { s.blend(d, f); }},
        {"blendClipped", Rule::blend, Place::clipped, false,
         [](Bitmap& s, Bitmap& d, float, float, int32_t f) { s.blendClipped(d, f); }},
        {"blendScaled", Rule::blend, Place::scaled, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t f) { s.blendScaled(d, sx, sy, f); }},
        {"blendScaledClipped", Rule::blend, Place::scaledClipped, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t f) {
             s.blendScaledClipped(d, sx, sy, f);
         }},
        {"addFactor", Rule::addFactor, Place::plain, true,
         [](Bitmap& s, Bitmap& d, float, float, int32_t f) { s.addFactor(d, f); }},
        {"addFactorScaled", Rule::addFactor, Place::scaled, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t f) {
             s.addFactorScaled(d, sx, sy, f);
         }},
        {"addFactorScaledClipped", Rule::addFactor, Place::scaledClipped, false,
         [](Bitmap& s, Bitmap& d, float sx, float sy, int32_t f) {
             s.addFactorScaledClipped(d, sx, sy, f);
         }},
    };
    return all;
}

const Member& member(const std::string& name) {
    for (const Member& m : members())
        if (name == m.name) return m;
    throw std::invalid_argument(name);
}

bool isScaled(Place p) {
    return p == Place::scaled || p == Place::scaledClipped;
}

// Drawn size and 8.8 steps, in double precision, truncated toward zero.
struct Scaled {
    int64_t dw, dh;
    uint32_t stepX, stepY;
};
Scaled scaledSize(const Bitmap& s, float sx, float sy) {
    return {static_cast<int64_t>(std::trunc(s.width / static_cast<double>(sx))),
            static_cast<int64_t>(std::trunc(s.height / static_cast<double>(sy))),
            static_cast<uint32_t>(std::trunc(static_cast<double>(sx) * 256.0)),
            static_cast<uint32_t>(std::trunc(static_cast<double>(sy) * 256.0))};
}

// The destination as the member must leave it, computed one destination pixel
// at a time: which source pixel (if any) lands there, then the rule.
std::vector<uint32_t> expected(const Member& m, const Bitmap& s, const TestBitmap& d, float sx,
                               float sy, int32_t factor) {
    std::vector<uint32_t> out = d.storage;
    uint32_t* px = out.data() + (d.pixels - d.storage.data());
    const Scaled g = isScaled(m.place) ? scaledSize(s, sx, sy) : Scaled{s.width, s.height, 0, 0};
    const int64_t left = isScaled(m.place) ? s.x - (g.dw >> 1) : s.x;
    const int64_t top = isScaled(m.place) ? s.y - (g.dh >> 1) : s.y;
    for (int64_t row = 0; row < d.height; ++row) {
        for (int64_t col = 0; col < d.width; ++col) {
            const int64_t i = col - left, j = row - top;
            if (i < 0 || i >= g.dw || j < 0 || j >= g.dh) continue;
            int64_t sc = i, sr = j;
            if (isScaled(m.place)) {
                sc = static_cast<uint32_t>(i * g.stepX) >> 8;
                sr = static_cast<uint32_t>(j * g.stepY) >> 8;
            }
            uint32_t& p = px[row * d.width + col];
            p = combine(m.rule, p, s.pixels[sr * s.width + sc], factor);
        }
    }
    return out;
}

float randomScale(std::mt19937& rng) {
    switch (uniform(rng, 0, 5)) {
    case 0:
        return 1.0f;
    case 1:
        return 0.5f;
    case 2:
        return 2.0f;
    case 3:
        return uniform(rng, 0, 1) ? 1.001f : 0.999f; // a step of 256 with another size
    default:
        return std::uniform_real_distribution<float>(0.25f, 3.0f)(rng);
    }
}

int32_t randomFactor(std::mt19937& rng) {
    const int32_t r = uniform(rng, 0, 9);
    if (r == 0) return uniform(rng, -300, -1);
    if (r == 1) return 256 * uniform(rng, -2, 2) + uniform(rng, 0, 255);
    return uniform(rng, 0, 300);
}

// One random case of a member. Unchecked members get a placement inside the
// destination; clipped ones any placement, overhanging every edge or wholly
// outside. Returns false when the sizes drawn cannot fit an unchecked member.
bool runCase(const Member& m, std::mt19937& rng, std::string& description) {
    const int32_t W = uniform(rng, 1, 80), H = uniform(rng, 1, 40);
    int32_t w = uniform(rng, 0, 9) < 2 ? uniform(rng, 1, 3) : uniform(rng, 1, 90);
    const int32_t h = uniform(rng, 1, 30);
    if (m.pairs) w = std::max(2, w & ~1);
    TestBitmap source(w, h, 8), destination(W, H, 64);
    randomize(rng, source);
    randomize(rng, destination);
    const float sx = randomScale(rng), sy = randomScale(rng);
    const int32_t factor = randomFactor(rng);
    const bool clipped = m.place == Place::clipped || m.place == Place::scaledClipped;
    const Scaled g = isScaled(m.place) ? scaledSize(source, sx, sy) : Scaled{w, h, 0, 0};
    if (clipped) {
        source.x = static_cast<int32_t>(uniform(rng, -static_cast<int32_t>(g.dw) - 4, W + 4));
        source.y = static_cast<int32_t>(uniform(rng, -static_cast<int32_t>(g.dh) - 4, H + 4));
        if (isScaled(m.place)) { // the position is the centre
            source.x += static_cast<int32_t>(g.dw >> 1);
            source.y += static_cast<int32_t>(g.dh >> 1);
        }
    } else {
        if (g.dw > W || g.dh > H || g.dw < 1 || g.dh < 1) return false;
        source.x = uniform(rng, 0, W - static_cast<int32_t>(g.dw));
        source.y = uniform(rng, 0, H - static_cast<int32_t>(g.dh));
        if (isScaled(m.place)) {
            source.x += static_cast<int32_t>(g.dw >> 1);
            source.y += static_cast<int32_t>(g.dh >> 1);
        }
    }
    const std::vector<uint32_t> want = expected(m, source, destination, sx, sy, factor);
    const std::vector<uint32_t> sourceBefore = source.storage;
    m.call(source, destination, sx, sy, factor);
    description = std::string(m.name) + " source " + std::to_string(w) + "x" + std::to_string(h) +
                  " at " + std::to_string(source.x) + "," + std::to_string(source.y) + " into " +
                  std::to_string(W) + "x" + std::to_string(H) + " scale " + std::to_string(sx) +
                  "," + std::to_string(sy) + " factor " + std::to_string(factor);
    EXPECT_EQ(source.storage, sourceBefore) << description << ": the source changed";
    EXPECT_EQ(destination.storage, want) << description;
    return true;
}

TEST(GfxBlitFamily, EveryMemberMatchesTheReferenceOnRandomCases) {
    std::mt19937 rng(7);
    for (const Member& m : members()) {
        int32_t done = 0;
        for (int32_t attempt = 0; done < 150 && attempt < 2000; ++attempt) {
            std::string description;
            if (runCase(m, rng, description)) ++done;
            if (::testing::Test::HasFailure()) return;
        }
        EXPECT_EQ(done, 150) << m.name;
    }
}

// Whole canvas-sized rows, as the show draws them: long enough for every
// SIMD width, with rows that do not start at a multiple of the vector size.
TEST(GfxBlitFamily, CanvasSizedDrawingsMatchTheReference) {
    std::mt19937 rng(11);
    for (const char* name : {"add", "average", "blend", "addFactor", "blitScaledClipped",
                             "addClipped", "blendClipped"}) {
        const Member& m = member(name);
        for (int32_t trial = 0; trial < 3; ++trial) {
            TestBitmap source(512 - 2 * trial, 40, 8), canvas(512, 48, 64);
            randomize(rng, source);
            randomize(rng, canvas);
            source.x = m.place == Place::scaledClipped ? 256 - trial + 3 * trial : trial;
            source.y = m.place == Place::scaledClipped ? 20 + trial : trial;
            const int32_t factor = uniform(rng, 0, 255);
            const std::vector<uint32_t> want = expected(m, source, canvas, 1.0f, 1.0f, factor);
            m.call(source, canvas, 1.0f, 1.0f, factor);
            ASSERT_EQ(canvas.storage, want) << name << " trial " << trial;
        }
    }
}

// Two 1 × 2 bitmaps drawn 1:1: the destination's two pixels afterwards.
std::vector<uint32_t> drawPair(const char* name, uint32_t d, uint32_t s, int32_t factor = 0) {
    TestBitmap source(2, 1, 0), destination(2, 1, 0);
    source.pixels[0] = source.pixels[1] = s;
    destination.pixels[0] = destination.pixels[1] = d;
    member(name).call(source, destination, 1.0f, 1.0f, factor);
    return destination.snapshot();
}

TEST(GfxBlitFamily, CombineRulesWorkedExamples) {
    using V = std::vector<uint32_t>;
    // blend: each product is truncated on its own.
    EXPECT_EQ(drawPair("blend", 0x00C8C801, 0xFFFFFFFF, 0), (V{0x00C7C700, 0x00C7C700}));
    EXPECT_EQ(drawPair("blend", 0xFFFFFFFF, 0x00C80164, 255), (V{0x00C70063, 0x00C70063}));
    EXPECT_EQ(drawPair("blend", 0x64646464, 0xC8C8C8C8, 128), (V{0x95959595, 0x95959595}));
    EXPECT_EQ(drawPair("blend", 0x00C8C801, 0xFFFFFFFF, 256), drawPair("blend", 0x00C8C801, 0, 0));
    EXPECT_EQ(drawPair("blend", 0xFFFFFFFF, 0xFFFFFFFF, 1), (V{0xFDFDFDFD, 0xFDFDFDFD}));
    // add with a factor: f = 0 changes nothing; f = 255 adds s - 1, saturating.
    EXPECT_EQ(drawPair("addFactor", 0x12345678, 0xFFFFFFFF, 0), (V{0x12345678, 0x12345678}));
    EXPECT_EQ(drawPair("addFactor", 0x00100201, 0x01C8FF64, 255), (V{0x00D7FF64, 0x00D7FF64}));
    EXPECT_EQ(drawPair("addFactor", 0, 0x80808080, -128), (V{0x40404040, 0x40404040}));
    // add saturates per byte, with no carry into the next byte.
    EXPECT_EQ(drawPair("add", 0x00C800FF, 0x00640001), (V{0x00FF00FF, 0x00FF00FF}));
    EXPECT_EQ(drawPair("add", 0, 0x89ABCDEF), (V{0x89ABCDEF, 0x89ABCDEF}));
    // average: 255 and 255 give 254, 1 and 1 give 0, 3 and 5 give 3; the fourth
    // byte's lowest bit lands in red's top bit.
    EXPECT_EQ(drawPair("average", 0x00FF0103, 0x00FF0105), (V{0x00FE0003, 0x00FE0003}));
    EXPECT_EQ(drawPair("average", 0x01800000, 0), (V{0x00C00000, 0x00C00000}));
}

// A 512-wide scroller drawn 1:1 through the scaled-and-clipped copy, as the
// show does it.
TEST(GfxBlitFamily, ScrollerCopyCentresTheSourceAndCutsIt) {
    TestBitmap scroll(512, 1024, 0), canvas(512, 256, 16);
    for (int32_t i = 0; i < 512 * 1024; ++i) scroll.pixels[i] = static_cast<uint32_t>(i);
    std::fill(canvas.storage.begin(), canvas.storage.end(), 0xDEADBEEF);
    scroll.x = 256;
    scroll.y = 0; // top = -512: source rows 512 to 767 fill the canvas
    scroll.blitScaledClipped(canvas, 1.0f, 1.0f);
    for (int32_t r = 0; r < 256; ++r)
        ASSERT_EQ(0, std::memcmp(&canvas.at(0, r), &scroll.at(0, r + 512), 2048)) << r;
    EXPECT_EQ(canvas.storage.front(), 0xDEADBEEF);
    EXPECT_EQ(canvas.storage.back(), 0xDEADBEEF);

    // Only the rows that reach the canvas are drawn.
    std::fill(canvas.storage.begin(), canvas.storage.end(), 0xDEADBEEF);
    scroll.y = 256 + 512 - 10; // top = 246: source rows 0 to 9 on canvas rows 246 to 255
    scroll.blitScaledClipped(canvas, 1.0f, 1.0f);
    EXPECT_EQ(canvas.at(511, 245), 0xDEADBEEF);
    EXPECT_EQ(canvas.at(0, 246), scroll.at(0, 0));
    EXPECT_EQ(canvas.at(511, 255), scroll.at(511, 9));
}

TEST(GfxBlitFamily, ScaledPlacementWorkedExamples) {
    TestBitmap source(512, 2, 0), canvas(1100, 2, 0);
    for (int32_t i = 0; i < 1024; ++i) source.pixels[i] = static_cast<uint32_t>(i + 1);
    source.x = 550;
    source.y = 1;
    // 2.0: dw = 256, every second source column, from column 550 - 128.
    std::fill(canvas.storage.begin(), canvas.storage.end(), 0xFFFFFFFF);
    source.blitScaled(canvas, 2.0f, 1.0f);
    EXPECT_EQ(canvas.at(421, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.at(422, 0), 1u);
    EXPECT_EQ(canvas.at(423, 0), 3u);
    EXPECT_EQ(canvas.at(677, 0), 511u);
    EXPECT_EQ(canvas.at(678, 0), 0xFFFFFFFFu);
    // 0.5: dw = 1024, each source column twice, from column 550 - 512.
    std::fill(canvas.storage.begin(), canvas.storage.end(), 0xFFFFFFFF);
    source.blitScaled(canvas, 0.5f, 1.0f);
    EXPECT_EQ(canvas.at(37, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.at(38, 0), 1u);
    EXPECT_EQ(canvas.at(39, 0), 1u);
    EXPECT_EQ(canvas.at(40, 0), 2u);
    EXPECT_EQ(canvas.at(1061, 0), 512u);
    EXPECT_EQ(canvas.at(1062, 0), 0xFFFFFFFFu);

    // An odd drawn width puts one more pixel right of the position than left.
    for (const auto& [width, first, last] : {std::tuple{5, 8, 12}, std::tuple{4, 8, 11}}) {
        TestBitmap narrow(width, 1, 0), row(20, 1, 0);
        std::fill(narrow.storage.begin(), narrow.storage.end(), 7u);
        narrow.x = 10;
        narrow.blitScaledClipped(row, 1.0f, 1.0f);
        for (int32_t c = 0; c < 20; ++c)
            EXPECT_EQ(row.at(c, 0), c >= first && c <= last ? 7u : 0u) << width << " " << c;
    }
}

// blitClipped of a 600 × 10 source at x = -10 into a 512-wide destination:
// all 512 columns from source columns 10 to 521, rows 600 source pixels apart.
TEST(GfxBlitFamily, ClippedCopyOverhangingBothSides) {
    TestBitmap source(600, 10, 0), destination(512, 12, 0);
    for (int32_t i = 0; i < 6000; ++i) source.pixels[i] = static_cast<uint32_t>(i + 1);
    source.x = -10;
    source.y = 1;
    source.blitClipped(destination);
    for (int32_t r = 0; r < 12; ++r)
        for (int32_t c = 0; c < 512; ++c)
            ASSERT_EQ(destination.at(c, r), r >= 1 && r <= 10 ? source.at(c + 10, r - 1) : 0u)
                << c << "," << r;
}

// Zero, negative, NaN and infinite factors, and factors so small that the
// drawn size overflows 32 bits: the clipped members draw nothing at all.
TEST(GfxBlitFamily, ClippedMembersDrawNothingForUnusableScaleFactors) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float bad[] = {0.0f, -0.0f, -1.0f, -0.25f, nan, -nan, inf, -inf, 1e-30f, 4e-10f};
    std::mt19937 rng(3);
    for (const Member& m : members()) {
        if (m.place != Place::scaledClipped) continue;
        for (float sx : bad) {
            for (const auto& [a, b] :
                 {std::pair{sx, 1.0f}, std::pair{1.0f, sx}, std::pair{sx, sx}}) {
                TestBitmap source(4, 4, 0), destination(16, 16, 16);
                randomize(rng, source);
                randomize(rng, destination);
                source.x = source.y = 8;
                const std::vector<uint32_t> before = destination.storage;
                m.call(source, destination, a, b, 200);
                EXPECT_EQ(destination.storage, before) << m.name << " " << a << "," << b;
            }
        }
    }
}

// A drawn size that is enormous but still fits 32 bits is drawn like any
// other: the visible part of a 1-pixel-wide source stretched 1.67e9 times.
TEST(GfxBlitFamily, HugeDrawnSizesThatFitAreStillDrawn) {
    TestBitmap source(1, 1, 0), destination(16, 4, 4);
    source.pixels[0] = 0x01020304;
    source.x = 3;
    source.y = 1;
    source.blitScaledClipped(destination, 6e-10f, 1.0f);
    for (int32_t c = 0; c < 16; ++c) {
        EXPECT_EQ(destination.at(c, 1), 0x01020304u) << c;
        EXPECT_EQ(destination.at(c, 0), 0u) << c;
    }
}

// A clipped member whose source lies wholly outside changes nothing.
TEST(GfxBlitFamily, SourcesWhollyOutsideDrawNothing) {
    std::mt19937 rng(5);
    for (const Member& m : members()) {
        if (m.place != Place::clipped && m.place != Place::scaledClipped) continue;
        const bool centred = m.place == Place::scaledClipped;
        for (const auto& [x, y] : {std::pair{20, 0}, std::pair{-6, 0}, std::pair{0, 10},
                                   std::pair{0, -3}, std::pair{-1000, -1000}}) {
            TestBitmap source(6, 3, 0), destination(20, 10, 16);
            randomize(rng, source);
            randomize(rng, destination);
            source.x = x + (centred ? 3 : 0);
            source.y = y + (centred ? 1 : 0);
            const std::vector<uint32_t> before = destination.storage;
            m.call(source, destination, 1.0f, 1.0f, 100);
            EXPECT_EQ(destination.storage, before) << m.name << " at " << x << "," << y;
        }
    }
}

// reserved takes the scaled members' arguments and does nothing.
TEST(GfxBlitFamily, ReservedDoesNothing) {
    std::mt19937 rng(9);
    TestBitmap source(8, 8, 0), destination(8, 8, 8);
    randomize(rng, source);
    randomize(rng, destination);
    const std::vector<uint32_t> before = destination.storage;
    source.reserved(destination, 1.0f, 1.0f, 255);
    EXPECT_EQ(destination.storage, before);
}

} // namespace
