// drawLine and rotozoom against references written here from their rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx_test_support.h"

namespace {

using gfxtest::addBytes;
using gfxtest::byteAt;
using gfxtest::randomize;
using gfxtest::TestBitmap;
using gfxtest::uniform;

// The pixels of a line in drawing order, from the closed form: an x-major
// line's pixel in column step j lies max(0, ceil(j|dy|/|dx|) - 1) rows from
// y0, a y-major line's pixel in row step j lies ceil(j|dx|/|dy|) columns from x0.
std::vector<std::pair<int32_t, int32_t>> linePixels(int32_t x0, int32_t y0, int32_t x1,
                                                    int32_t y1) {
    const int64_t adx = std::abs(x1 - x0), ady = std::abs(y1 - y0);
    const int32_t sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
    auto ceilDiv = [](int64_t a, int64_t b) { return (a + b - 1) / b; };
    std::vector<std::pair<int32_t, int32_t>> out;
    if (adx > ady) {
        for (int64_t j = 0; j <= adx; ++j)
            out.emplace_back(x0 + sx * j,
                             y0 + sy * std::max<int64_t>(0, ceilDiv(j * ady, adx) - 1));
    } else {
        for (int64_t j = 0; j <= ady; ++j)
            out.emplace_back(x0 + sx * (ady ? ceilDiv(j * adx, ady) : 0), y0 + sy * j);
    }
    return out;
}

// Which pixels a drawn line changed, on a black bitmap.
std::set<std::pair<int32_t, int32_t>> drawnOnBlack(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    TestBitmap b(8, 8, 0);
    drawLine(x0, y0, x1, y1, b, 0x00FFFFFF, 255);
    std::set<std::pair<int32_t, int32_t>> out;
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t c = 0; c < 8; ++c)
            if (b.at(c, r)) out.emplace(c, r);
    return out;
}

TEST(GfxDrawLine, WorkedExamples) {
    using P = std::set<std::pair<int32_t, int32_t>>;
    EXPECT_EQ(drawnOnBlack(0, 0, 0, 0), (P{{0, 0}}));
    EXPECT_EQ(drawnOnBlack(1, 3, 5, 3), (P{{1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}}));
    EXPECT_EQ(drawnOnBlack(6, 6, 6, 4), (P{{6, 4}, {6, 5}, {6, 6}}));
    // x-major lines end one row short of y1; y-major lines end on (x1, y1).
    EXPECT_EQ(drawnOnBlack(0, 0, 2, 1), (P{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(drawnOnBlack(0, 0, 3, 2), (P{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    EXPECT_EQ(drawnOnBlack(0, 0, 1, 2), (P{{0, 0}, {1, 1}, {1, 2}}));
    EXPECT_EQ(drawnOnBlack(0, 0, 2, 2), (P{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(drawnOnBlack(7, 7, 4, 5), (P{{7, 7}, {6, 7}, {5, 6}, {4, 6}}));
}

TEST(GfxDrawLine, ColourIsScaledByBrightnessAndAddedSaturating) {
    TestBitmap b(4, 1, 0);
    b.pixels[0] = 0x11223344;
    drawLine(0, 0, 3, 0, b, 0xFFC8C8C8, 0); // brightness 0: nothing
    EXPECT_EQ(b.pixels[0], 0x11223344u);
    EXPECT_EQ(b.pixels[1], 0u);
    // 200 × 255 / 256 = 199 in each of blue, green and red; the fourth byte of
    // the colour is ignored.
    drawLine(3, 0, 1, 0, b, 0xFFC8C8C8, 255);
    EXPECT_EQ(b.pixels[1], 0x00C7C7C7u);
    drawLine(1, 0, 3, 0, b, 0xFF010203, 128); // 1, 2, 3 × 128 / 256 = 0, 1, 1
    EXPECT_EQ(b.pixels[1], 0x00C7C8C8u);
    drawLine(1, 0, 2, 0, b, 0x00C8C8C8, 255); // twice: up to 255
    EXPECT_EQ(b.pixels[1], 0x00FFFFFFu);
    EXPECT_EQ(b.pixels[3], 0x00C7C8C8u);
    EXPECT_EQ(b.pixels[0], 0x11223344u);
}

TEST(GfxDrawLine, RandomLinesMatchTheClosedForm) {
    std::mt19937 rng(31);
    for (int32_t trial = 0; trial < 400; ++trial) {
        const int32_t W = uniform(rng, 1, 60), H = uniform(rng, 1, 40);
        TestBitmap b(W, H, 8);
        randomize(rng, b);
        const int32_t x0 = uniform(rng, 0, W - 1), y0 = uniform(rng, 0, H - 1);
        const int32_t x1 = uniform(rng, 0, W - 1), y1 = uniform(rng, 0, H - 1);
        const uint32_t colour = static_cast<uint32_t>(rng());
        const int32_t brightness = uniform(rng, 0, 255);
        uint32_t scaled = 0;
        for (int k = 0; k < 3; ++k)
            scaled |= (byteAt(colour, k) * static_cast<uint32_t>(brightness) / 256) << (8 * k);
        std::vector<uint32_t> want = b.storage;
        for (const auto& [x, y] : linePixels(x0, y0, x1, y1)) {
            uint32_t& p = want[8 + static_cast<size_t>(y) * W + x];
            p = addBytes(p, scaled);
        }
        drawLine(x0, y0, x1, y1, b, colour, brightness);
        ASSERT_EQ(b.storage, want) << x0 << "," << y0 << " to " << x1 << "," << y1;
    }
}

// The rotozoom straight from its 20.12 rules, one destination pixel at a
// time from the closed form of its texture position.
void rotozoomByDefinition(TestBitmap& destination, const TestBitmap& texture, float angle,
                          float zoom, float offsetX, float offsetY, int32_t brightness) {
    const int32_t W = texture.width, H = texture.height, dw = 512, dh = destination.height;
    const double c = std::cos(static_cast<double>(angle)) / zoom;
    const double s = static_cast<float>(std::sin(static_cast<double>(angle)) / zoom);
    const auto fixed = [](double v) { return static_cast<uint32_t>(static_cast<int64_t>(v)); };
    const uint32_t du = fixed(4096.0 * c), dv = fixed(4096.0 * s);
    const uint32_t u0 = fixed(4096.0 * (W / 2 + static_cast<double>(offsetX) - (dw / 2) * c));
    const uint32_t v0 = fixed(4096.0 * (H / 2 + static_cast<double>(offsetY) - (dw / 2) * s));
    for (int32_t r = 0; r < dh; ++r) {
        for (int32_t p = 0; p < dw; ++p) {
            const uint32_t k = static_cast<uint32_t>(r - dh / 2);
            const uint32_t U = u0 + static_cast<uint32_t>(p) * du - k * dv;
            const uint32_t V = v0 + static_cast<uint32_t>(p) * dv + k * du;
            const uint32_t x = (U >> 12) & (W - 1), y = (V >> 12) & (H - 1);
            const uint32_t fx = U & 4095, fy = V & 4095;
            const uint32_t w00 = (4096 - fx) * (4096 - fy) / 65536, w10 = fx * (4096 - fy) / 65536;
            const uint32_t w01 = (4096 - fx) * fy / 65536, w11 = fx * fy / 65536;
            const uint32_t* t = texture.pixels + y * 512 + x;
            uint32_t g = 0;
            for (int b = 0; b < 4; ++b) {
                const uint32_t f = (byteAt(t[0], b) * w00 + byteAt(t[1], b) * w10 +
                                    byteAt(t[512], b) * w01 + byteAt(t[513], b) * w11) /
                                   256;
                g |= (f * static_cast<uint32_t>(brightness) / 256) << (8 * b);
            }
            uint32_t& out = destination.pixels[r * 512 + p];
            out = addBytes(out, g);
        }
    }
}

TEST(GfxRotozoom, UnrotatedUnzoomedCopiesTexelsExactly) {
    std::mt19937 rng(41);
    for (int32_t H : {1, 64, 256, 512}) {
        TestBitmap texture(512, H), canvas(512, 256, 16);
        randomize(rng, texture);
        randomize(rng, canvas);
        for (uint32_t& p : canvas.storage) p &= 0x7F7F7F7F;
        const std::vector<uint32_t> before = canvas.storage;
        rotozoom(canvas, texture, 0.0f, 1.0f, 0.0f, 0.0f, 200);
        for (int32_t r = 0; r < 256; ++r)
            for (int32_t p = 0; p < 512; ++p) {
                const uint32_t texel = texture.at(p, (H / 2 + r - 128) & (H - 1));
                uint32_t scaled = 0;
                for (int k = 0; k < 4; ++k) scaled |= (byteAt(texel, k) * 200 / 256) << (8 * k);
                ASSERT_EQ(canvas.at(p, r), addBytes(before[16 + r * 512 + p], scaled))
                    << "height " << H << " pixel " << p << "," << r;
            }
        EXPECT_EQ(canvas.storage.front(), before.front());
        EXPECT_EQ(canvas.storage.back(), before.back());
    }
}

// Zoom 2: each texel covers two pixels, the pixels between two texels get
// their mean (weights 128 and 128).
TEST(GfxRotozoom, ZoomTwoInterpolatesBetweenTexels) {
    std::mt19937 rng(42);
    TestBitmap texture(512, 256), canvas(512, 256);
    randomize(rng, texture);
    rotozoom(canvas, texture, 0.0f, 2.0f, 0.0f, 0.0f, 255);
    const int32_t r = 128; // this row samples texture row 128 with no vertical fraction
    for (int32_t k = 0; k < 256; ++k) {
        const uint32_t left = texture.at(128 + k, 128), right = texture.at(129 + k, 128);
        uint32_t even = 0, odd = 0;
        for (int b = 0; b < 4; ++b) {
            even |= (byteAt(left, b) * 255 / 256) << (8 * b);
            odd |= ((byteAt(left, b) + byteAt(right, b)) / 2 * 255 / 256) << (8 * b);
        }
        ASSERT_EQ(canvas.at(2 * k, r), even) << k;
        ASSERT_EQ(canvas.at(2 * k + 1, r), odd) << k;
    }
}

TEST(GfxRotozoom, MatchesTheRulesForAnyAngleZoomAndOffset) {
    std::mt19937 rng(43);
    std::uniform_real_distribution<float> angles(-7.0f, 7.0f), zooms(0.3f, 4.0f);
    std::uniform_real_distribution<float> offsets(-5000.0f, 5000.0f);
    for (int32_t trial = 0; trial < 24; ++trial) {
        const int32_t H = 1 << uniform(rng, 0, 9);
        TestBitmap texture(512, H), canvas(512, trial % 4 == 0 ? 256 : uniform(rng, 1, 40), 16);
        randomize(rng, texture);
        randomize(rng, canvas);
        float angle = angles(rng), zoom = zooms(rng);
        if (trial % 5 == 1) angle = 0.0f; // the show's case
        if (trial % 5 == 2) zoom = -zoom; // turned half a turn
        const float ox = trial % 3 ? offsets(rng) : 0.0f, oy = trial % 3 ? offsets(rng) : 0.0f;
        const int32_t brightness = uniform(rng, 0, 255);
        TestBitmap want(512, canvas.height, 16);
        want.storage = canvas.storage;
        want.pixels = want.storage.data() + 16;
        rotozoomByDefinition(want, texture, angle, zoom, ox, oy, brightness);
        rotozoom(canvas, texture, angle, zoom, ox, oy, brightness);
        ASSERT_EQ(canvas.storage, want.storage)
            << "angle " << angle << " zoom " << zoom << " offset " << ox << "," << oy
            << " brightness " << brightness << " texture height " << H;
    }
}

// The texture repeats: moving it by whole widths or heights changes nothing,
// also when the coordinates pass the 32-bit range and wrap. (The moves keep
// the start values positive: they are truncated toward zero, so a start value
// that changes sign lands one 1/4096 step elsewhere.)
TEST(GfxRotozoom, TextureRepeatsInBothDirections) {
    std::mt19937 rng(44);
    TestBitmap texture(512, 128);
    randomize(rng, texture);
    TestBitmap reference(512, 32), moved(512, 32);
    rotozoom(reference, texture, 0.4f, 1.5f, 10.0f, 20.0f, 255);
    for (const auto& [dx, dy] :
         {std::pair{512.0f, 0.0f}, std::pair{0.0f, 128.0f}, std::pair{1024.0f, 384.0f},
          std::pair{512.0f * 3000, 0.0f}, std::pair{0.0f, 128.0f * 20000}}) {
        std::fill(moved.storage.begin(), moved.storage.end(), 0u);
        rotozoom(moved, texture, 0.4f, 1.5f, 10.0f + dx, 20.0f + dy, 255);
        EXPECT_EQ(moved.storage, reference.storage) << dx << "," << dy;
    }
}

// Nothing is added with brightness 0, nor when the zoom or angle leaves no
// usable coordinates (the sanitizer tree also checks that no conversion
// overflows on the way).
TEST(GfxRotozoom, AddsNothingWithoutBrightnessOrUsableGeometry) {
    std::mt19937 rng(45);
    TestBitmap texture(512, 64), canvas(512, 16, 16);
    randomize(rng, texture);
    randomize(rng, canvas);
    const std::vector<uint32_t> before = canvas.storage;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    rotozoom(canvas, texture, 0.3f, 2.0f, 0.0f, 0.0f, 0);
    EXPECT_EQ(canvas.storage, before) << "brightness 0";
    for (const auto& [angle, zoom] :
         {std::pair{0.3f, 0.0f}, std::pair{0.3f, -0.0f}, std::pair{0.3f, nan}, std::pair{nan, 1.0f},
          std::pair{inf, 1.0f}, std::pair{-inf, 2.0f}}) {
        rotozoom(canvas, texture, angle, zoom, 0.0f, 0.0f, 255);
        EXPECT_EQ(canvas.storage, before) << "angle " << angle << " zoom " << zoom;
    }
    rotozoom(canvas, texture, 0.3f, 1.0f, nan, 0.0f, 255);
    EXPECT_EQ(canvas.storage, before) << "offset NaN";
    rotozoom(canvas, texture, 0.3f, 1e-30f, 1e30f, -1e30f, 255); // finite: wraps, draws
}

} // namespace
