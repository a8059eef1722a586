// Every SIMD kernel set must give exactly the scalar reference's bits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "gfx/Kernels.h"
#include "gfx_test_support.h"

namespace {

using gfxtest::randomize;
using gfxtest::uniform;
using kernels::RowKernels;

std::vector<const RowKernels*> simdSets() {
    std::vector<const RowKernels*> sets;
    if (const RowKernels* k = kernels::sse2Kernels()) sets.push_back(k);
    if (const RowKernels* k = kernels::avx2Kernels()) sets.push_back(k);
    if (const RowKernels* k = kernels::avx512Kernels()) sets.push_back(k);
    return sets;
}

class GfxKernels : public ::testing::TestWithParam<const RowKernels*> {
  protected:
    const RowKernels& simd() const { return *GetParam(); }
    const RowKernels& scalar() const { return kernels::scalarKernels(); }
    std::mt19937 rng{20261207};
};

// A source and a destination row at random alignments, with guard pixels
// around the destination to catch writes past the row.
struct RowPair {
    RowPair(std::mt19937& rng, int32_t n) : n(n) {
        src.resize(static_cast<size_t>(n) + 16);
        dst.resize(static_cast<size_t>(n) + 32);
        randomize(rng, src.data(), src.size());
        randomize(rng, dst.data(), dst.size());
        srcOffset = uniform(rng, 0, 7);
        dstOffset = uniform(rng, 8, 15);
    }
    uint32_t* d() { return dst.data() + dstOffset; }
    const uint32_t* s() const { return src.data() + srcOffset; }
    int32_t n, srcOffset, dstOffset;
    std::vector<uint32_t> src, dst;
};

int32_t randomLength(std::mt19937& rng) {
    const int32_t r = uniform(rng, 0, 9);
    return r < 3 ? r : uniform(rng, 0, 515); // plenty of tiny rows, odd and even
}

TEST_P(GfxKernels, PairwiseRowsMatchScalar) {
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t n = randomLength(rng);
        RowPair a(rng, n);
        RowPair b = a;
        simd().add(a.d(), a.s(), n);
        scalar().add(b.d(), b.s(), n);
        ASSERT_EQ(a.dst, b.dst) << "add n=" << n;
        simd().average(a.d(), a.s(), n);
        scalar().average(b.d(), b.s(), n);
        ASSERT_EQ(a.dst, b.dst) << "average n=" << n;
        // The second source of addTwo is the first one shifted, so both reads
        // run at different alignments.
        const uint32_t* second = a.src.data() + 16 - a.srcOffset;
        simd().addTwo(a.d(), a.s(), second, n);
        scalar().addTwo(b.d(), b.s(), b.src.data() + 16 - b.srcOffset, n);
        ASSERT_EQ(a.dst, b.dst) << "addTwo n=" << n;
    }
}

TEST_P(GfxKernels, FactorRowsMatchScalarForEveryFactor) {
    for (uint32_t f = 0; f < 256; ++f) {
        const int32_t n = randomLength(rng);
        RowPair a(rng, n);
        RowPair b = a;
        simd().blend(a.d(), a.s(), n, f);
        scalar().blend(b.d(), b.s(), n, f);
        ASSERT_EQ(a.dst, b.dst) << "blend f=" << f << " n=" << n;
        simd().addFactor(a.d(), a.s(), n, f);
        scalar().addFactor(b.d(), b.s(), n, f);
        ASSERT_EQ(a.dst, b.dst) << "addFactor f=" << f << " n=" << n;
        simd().blendOntoBlack(a.d(), a.s(), n, f);
        scalar().blendOntoBlack(b.d(), b.s(), n, f);
        ASSERT_EQ(a.dst, b.dst) << "blendOntoBlack f=" << f << " n=" << n;
        // Two more sources at their own alignments; the last one darker on
        // every other factor, so that sums both saturate and do not.
        std::vector<uint32_t> third(static_cast<size_t>(n) + 8);
        randomize(rng, third.data(), third.size());
        if (f % 2 == 1)
            for (uint32_t& p : third) p = (p >> 2) & 0x3F3F3F3Fu;
        const uint32_t* added = third.data() + uniform(rng, 0, 7);
        simd().blendOntoBlackAddTwo(a.d(), a.s(), a.src.data() + 16 - a.srcOffset, added, n, f);
        scalar().blendOntoBlackAddTwo(b.d(), b.s(), b.src.data() + 16 - b.srcOffset, added, n, f);
        ASSERT_EQ(a.dst, b.dst) << "blendOntoBlackAddTwo f=" << f << " n=" << n;
    }
}

TEST_P(GfxKernels, SingleColourRowsMatchScalar) {
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t n = randomLength(rng);
        const uint32_t colour = static_cast<uint32_t>(rng());
        RowPair a(rng, n);
        RowPair b = a;
        simd().brighten(a.d(), colour, n);
        scalar().brighten(b.d(), colour, n);
        ASSERT_EQ(a.dst, b.dst) << "brighten n=" << n;
        simd().darken(a.d(), colour, n);
        scalar().darken(b.d(), colour, n);
        ASSERT_EQ(a.dst, b.dst) << "darken n=" << n;
        simd().fill(a.d(), colour, n);
        scalar().fill(b.d(), colour, n);
        ASSERT_EQ(a.dst, b.dst) << "fill n=" << n;
    }
}

TEST_P(GfxKernels, RotozoomRowsMatchScalar) {
    std::deque<gfxtest::TestBitmap> textures; // heights 1, 2, 4 ... 512
    for (int32_t height = 1; height <= 512; height *= 2) {
        textures.emplace_back(512, height);
        randomize(rng, textures.back());
    }
    for (int trial = 0; trial < 400; ++trial) {
        const gfxtest::TestBitmap& texture = textures[static_cast<size_t>(uniform(rng, 0, 9))];
        const int32_t height = texture.height;
        kernels::RotozoomRow row;
        row.u = static_cast<uint32_t>(rng());
        row.v = static_cast<uint32_t>(rng());
        if (trial % 2) { // steps like the show's (zoom 0.3 to 3), else anything at all
            row.du = static_cast<uint32_t>(uniform(rng, -14000, 14000));
            row.dv = static_cast<uint32_t>(uniform(rng, -14000, 14000));
        } else {
            row.du = static_cast<uint32_t>(rng());
            row.dv = static_cast<uint32_t>(rng());
        }
        if (trial % 5 == 0) row.dv = 0; // no rotation: the zoom row's own path
        if (trial % 7 == 0) {           // whole or half texels: weights of 256 and 128
            const uint32_t keep = trial % 14 ? ~4095u : ~2047u;
            row.u &= keep;
            row.v &= keep;
            row.du &= keep;
            row.dv &= keep;
        }
        row.maskX = 511;
        row.maskY = static_cast<uint32_t>(height - 1);
        row.brightness = static_cast<uint32_t>(uniform(rng, 0, 255));
        row.count = trial % 3 ? 512 : uniform(rng, 0, 40);
        RowPair a(rng, row.count);
        RowPair b = a;
        simd().rotozoomRow(a.d(), texture.pixels, row);
        scalar().rotozoomRow(b.d(), texture.pixels, row);
        ASSERT_EQ(a.dst, b.dst) << "trial " << trial << " count " << row.count;
        RowPair c = b; // the zoom row takes any row and must give the same bits
        simd().zoomRow(c.d(), texture.pixels, row);
        scalar().rotozoomRow(b.d(), texture.pixels, row);
        ASSERT_EQ(c.dst, b.dst) << "zoom row, trial " << trial << " count " << row.count;
    }
}

// Rows that move under a texel per pixel (zooms in, slight rotations), where
// a block's texels come from a few neighbouring texture rows: every direction,
// steps at and past the one-texel limit, blocks spanning two or three texture
// rows, blocks at the texture's right edge and on its last rows, u and v
// wrapping round the texture and their 32 bits, textures from 4 to 256 rows;
// and long steps that look short from a block's first and last pixels.
// Each texture is allocated to exactly the texels the scalar rule may read
// (its rows, the row after them and one pixel more), so a sanitizer build
// also catches a kernel reading past them.
TEST_P(GfxKernels, RotozoomRowsUnderOneTexelMatchScalar) {
    std::vector<std::vector<uint32_t>> textures;
    const int32_t heights[] = {4, 8, 16, 32, 256};
    for (int32_t height : heights) {
        textures.emplace_back(static_cast<size_t>(height + 1) * 512 + 1);
        randomize(rng, textures.back().data(), textures.back().size());
    }
    auto step = [&](int trial) -> uint32_t {
        static constexpr int32_t edges[] = {0, 1, 4095, 4096, 4097, -1, -4095, -4096, -4097};
        if (trial % 5 == 0) return static_cast<uint32_t>(edges[uniform(rng, 0, 8)]);
        return static_cast<uint32_t>(uniform(rng, -4095, 4095));
    };
    for (int trial = 0; trial < 600; ++trial) {
        const size_t which = static_cast<size_t>(trial) % textures.size();
        const uint32_t* texture = textures[which].data();
        kernels::RotozoomRow row;
        row.du = step(trial);
        row.dv = step(trial / 3);
        row.maskX = 511;
        row.maskY = static_cast<uint32_t>(heights[which] - 1);
        row.brightness = static_cast<uint32_t>(uniform(rng, 1, 255));
        row.count = trial % 4 == 3 ? uniform(rng, 0, 40) : 512;
        row.u = static_cast<uint32_t>(rng());
        row.v = static_cast<uint32_t>(rng());
        switch (trial % 7) {
        case 1: // the first blocks at the right edge, wrapping or not
            row.u = static_cast<uint32_t>(uniform(rng, 496, 511)) << 12 | (row.u & 4095);
            break;
        case 2: // the first blocks on the last rows, reading the row after them
            row.v = (row.maskY - static_cast<uint32_t>(uniform(rng, 0, 2))) << 12 | (row.v & 4095);
            break;
        case 3: // u and v wrap their 32 bits in the first block
            row.u = 0u - static_cast<uint32_t>(uniform(rng, 0, 8)) * row.du;
            row.v = 0u - static_cast<uint32_t>(uniform(rng, 0, 8)) * row.dv;
            break;
        case 4: // steps of just over a texel for every eight pixels: 2 or 3 rows a block
            row.dv = static_cast<uint32_t>((trial % 2 ? 1 : -1) * uniform(rng, 560, 700));
            break;
        case 5: { // long steps that bring the eighth pixel back near the first one's
                  // texel (a turn round the texture or round 32 bits in seven
                  // steps), the pixels between them anywhere
            const uint64_t turn = trial % 4 < 2
                                      ? uint64_t{1} << 32
                                      : (trial % 2 ? row.maskY + 1 : row.maskX + 1) * 4096;
            const auto back =
                static_cast<uint32_t>(turn / 7) + static_cast<uint32_t>(uniform(rng, -300, 300));
            (trial % 2 ? row.dv : row.du) = uniform(rng, 0, 1) ? back : 0u - back;
            break;
        }
        default:
            break;
        }
        RowPair a(rng, row.count);
        RowPair b = a;
        simd().rotozoomRow(a.d(), texture, row);
        scalar().rotozoomRow(b.d(), texture, row);
        ASSERT_EQ(a.dst, b.dst) << "trial " << trial << " height " << heights[which] << " du "
                                << static_cast<int32_t>(row.du) << " dv "
                                << static_cast<int32_t>(row.dv) << " u " << row.u << " v " << row.v
                                << " count " << row.count;
    }
}

// Every zoom scene one draws (cos(phase) + 2, the phase stepped in float over
// a full period) at angle 0, with random offsets: the rows the zoom path
// takes, texel wraps at the texture's right edge included.
TEST_P(GfxKernels, ZoomRowsMatchScalarForEverySceneZoom) {
    gfxtest::TestBitmap texture(512, 256);
    randomize(rng, texture);
    float phase = 0.0f;
    const double period = 2.0 * 3.14159265358979323846;
    for (int step = 0; static_cast<double>(phase) < period + 0.01; ++step) {
        phase = static_cast<float>(static_cast<double>(phase) + 0.0030120737);
        const auto zoom = static_cast<float>(std::cos(static_cast<double>(phase)) + 2.0);
        kernels::RotozoomRow row;
        row.du = static_cast<uint32_t>(std::trunc(4096.0 / static_cast<double>(zoom)));
        row.dv = 0;
        row.maskX = 511;
        row.maskY = 255;
        row.brightness = static_cast<uint32_t>(uniform(rng, 1, 255));
        row.count = 512;
        row.u = static_cast<uint32_t>(rng());
        row.v = static_cast<uint32_t>(rng());
        RowPair a(rng, row.count);
        RowPair b = a;
        simd().zoomRow(a.d(), texture.pixels, row);
        scalar().rotozoomRow(b.d(), texture.pixels, row);
        ASSERT_EQ(a.dst, b.dst) << "step " << step << " zoom " << zoom;
    }
}

// Whole zooms without rotation through zoomRows against the scalar row, row
// by row: runs of rows sharing a texture row (zoom 1 to 3 as the scene draws,
// deeper zooms with runs longer than a kernel takes at once, stepV 0), rows
// that do not share (zoom below 1, random steps), texel wraps at every edge
// (columns wrapping right, the last texture row reading the guard rows, u and
// v wrapping their 32 bits), short rows and rows with a tail.
TEST_P(GfxKernels, ZoomRowsMatchScalarRowByRow) {
    std::deque<gfxtest::TestBitmap> textures;
    for (int32_t height : {1, 2, 64, 256}) {
        textures.emplace_back(512, height);
        randomize(rng, textures.back());
    }
    std::vector<uint32_t> steps; // du: every 25th zoom of the scene, then others
    float phase = 0.0f;
    for (int step = 0; step < 2100; ++step) {
        phase = static_cast<float>(static_cast<double>(phase) + 0.0030120737);
        const auto zoom = static_cast<float>(std::cos(static_cast<double>(phase)) + 2.0);
        if (step % 25 == 0) steps.push_back(static_cast<uint32_t>(4096.0 / zoom));
    }
    for (uint32_t du : {4096u, 4095u, 2048u, 1365u, 1u, 100u, 5000u, 8192u, 40000u, 0u})
        steps.push_back(du);
    for (size_t trial = 0; trial < steps.size(); ++trial) {
        const gfxtest::TestBitmap& texture = textures[trial % textures.size()];
        kernels::RotozoomRow first;
        first.du = steps[trial];
        first.maskX = 511;
        first.maskY = static_cast<uint32_t>(texture.height - 1);
        first.brightness = static_cast<uint32_t>(uniform(rng, 1, 255));
        first.count = trial % 9 == 4 ? uniform(rng, 0, 40) : trial % 9 == 5 ? 509 : 512;
        first.u = static_cast<uint32_t>(rng());
        first.v = static_cast<uint32_t>(rng());
        switch (trial % 6) {
        case 1:
            first.u = 505u << 12 | (first.u & 4095);
            break; // wraps right in block one
        case 2:
            first.v = first.maskY << 12 | (first.v & 4095);
            break; // last row first
        case 3:
            first.u = 0xFFFFF000u | (first.u & 4095);
            break; // u wraps its 32 bits
        case 4:
            first.v = 0u - 3u * first.du;
            break; // v wraps its 32 bits
        default:
            break;
        }
        uint32_t stepV = first.du;
        if (trial % 7 == 3) stepV = 0; // every row on the same texture rows
        if (trial % 7 == 5) stepV = static_cast<uint32_t>(rng());
        const int32_t rows = trial % 5 == 2 ? uniform(rng, 1, 20) : 128;
        std::vector<uint32_t> a(static_cast<size_t>(rows) * 512 + 64);
        randomize(rng, a.data(), a.size());
        std::vector<uint32_t> b = a;
        simd().zoomRows(a.data() + 32, texture.pixels, first, stepV, rows);
        kernels::RotozoomRow row = first;
        for (int32_t r = 0; r < rows; ++r, row.v += stepV)
            scalar().rotozoomRow(b.data() + 32 + r * 512, texture.pixels, row);
        ASSERT_EQ(a, b) << "trial " << trial << " du " << first.du << " stepV " << stepV << " rows "
                        << rows << " count " << first.count;
    }
    // With a vertical step the rows are general rotozoom rows.
    kernels::RotozoomRow tilted;
    tilted.u = 1000000u;
    tilted.v = 500000u;
    tilted.du = 1811;
    tilted.dv = 605;
    tilted.maskX = 511;
    tilted.maskY = 255;
    tilted.brightness = 200;
    tilted.count = 512;
    std::vector<uint32_t> a(16 * 512), b(16 * 512);
    randomize(rng, a.data(), a.size());
    b = a;
    simd().zoomRows(a.data(), textures[3].pixels, tilted, 1811, 16);
    kernels::RotozoomRow row = tilted;
    for (int32_t r = 0; r < 16; ++r, row.v += 1811)
        scalar().rotozoomRow(b.data() + r * 512, textures[3].pixels, row);
    EXPECT_EQ(a, b);
}

TEST_P(GfxKernels, Blur8MatchesScalar) {
    for (int trial = 0; trial < 60; ++trial) {
        // Lengths around the block and row sizes, odd ones included.
        const int32_t n = trial < 8 ? trial + 1 : uniform(rng, 1, 512 * 6 + 3);
        std::vector<uint32_t> a(static_cast<size_t>(n) + 2 * 520);
        randomize(rng, a.data(), a.size());
        if (trial % 4 == 0) // dark pixels, so sums stay well inside a byte's reach
            for (uint32_t& p : a) p &= 0x1F1F1F1F;
        std::vector<uint32_t> b = a;
        simd().blur8(a.data() + 520, n);
        scalar().blur8(b.data() + 520, n);
        ASSERT_EQ(a, b) << "n=" << n;
    }
}

std::string setName(const ::testing::TestParamInfo<const RowKernels*>& info) {
    return info.param->name;
}

// The cap: DEMO_FORCE_SCALAR=1 wins, a level above the machine's is cut to
// it, and an unknown name is reported and leaves the machine's level.
TEST(GfxKernelDispatch, SimdCapRule) {
    bool unknown = true;
    EXPECT_EQ(cappedSimdLevel(SimdLevel::avx512, nullptr, nullptr, unknown), SimdLevel::avx512);
    EXPECT_FALSE(unknown);
    EXPECT_EQ(cappedSimdLevel(SimdLevel::avx512, "avx2", nullptr, unknown), SimdLevel::avx2);
    EXPECT_EQ(cappedSimdLevel(SimdLevel::avx512, "sse2", "0", unknown), SimdLevel::sse2);
    EXPECT_EQ(cappedSimdLevel(SimdLevel::avx512, "avx512", "1", unknown), SimdLevel::scalar);
    EXPECT_EQ(cappedSimdLevel(SimdLevel::sse2, "avx512", nullptr, unknown), SimdLevel::sse2);
    EXPECT_EQ(cappedSimdLevel(SimdLevel::avx2, "", nullptr, unknown), SimdLevel::avx2);
    EXPECT_FALSE(unknown);
    EXPECT_EQ(cappedSimdLevel(SimdLevel::avx2, "AVX9", nullptr, unknown), SimdLevel::avx2);
    EXPECT_TRUE(unknown);
}

INSTANTIATE_TEST_SUITE_P(Simd, GfxKernels, ::testing::ValuesIn(simdSets()), setName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GfxKernels);

// DEMO_FORCE_SCALAR=1 or DEMO_SIMD=scalar must reach every operation; a
// DEMO_SIMD cap picks that level's set; otherwise the widest set this
// processor runs is in use.
TEST(GfxKernelDispatch, HonoursForceScalarAndPicksWidestSet) {
    const char* force = std::getenv("DEMO_FORCE_SCALAR");
    const char* cap = std::getenv("DEMO_SIMD");
    const RowKernels& active = kernels::active();
    if ((force && std::strcmp(force, "1") == 0) || (cap && std::strcmp(cap, "scalar") == 0)) {
        EXPECT_EQ(&active, &kernels::scalarKernels());
    } else if (cap && *cap) {
        EXPECT_EQ(&active, &kernels::kernelsFor(simdLevel()));
        EXPECT_STREQ(active.name, simdLevelName(simdLevel()));
    } else if (const RowKernels* avx512 = kernels::avx512Kernels()) {
        EXPECT_EQ(&active, avx512);
    } else if (const RowKernels* avx2 = kernels::avx2Kernels()) {
        EXPECT_EQ(&active, avx2);
    } else if (const RowKernels* sse2 = kernels::sse2Kernels()) {
        EXPECT_EQ(&active, sse2);
    }
}

} // namespace
