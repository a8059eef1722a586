#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "gfx/BoxBlur.h"
#include "gfx/SimdLevel.h"

namespace {

// A 512-wide bitmap over its own memory.
struct Rows {
    explicit Rows(int32_t height) : memory(static_cast<size_t>(512) * height) {
        bitmap.width = 512;
        bitmap.height = height;
        bitmap.pixels = memory.data();
    }
    uint32_t at(int32_t x, int32_t y = 0) const { return memory[static_cast<size_t>(y) * 512 + x]; }
    std::vector<uint32_t> memory;
    Bitmap bitmap;
};

uint32_t byteOf(uint32_t pixel, int32_t byte) {
    return (pixel >> (8 * byte)) & 0xFF;
}

// Output pixel x of a row, straight from the definition: the window of n
// pixels of the row from x - n + n/2 on, counting only the middle 512 - n
// pixels (from n/2 on), times m / 2^(k+8), saturated.
uint32_t blurredByDefinition(const std::vector<uint32_t>& row, int32_t n, int32_t x) {
    const BoxBlurScale scale = boxBlurScale(n);
    uint32_t out = 0;
    for (int32_t byte = 0; byte < 4; ++byte) {
        uint64_t sum = 0;
        for (int32_t i = x - n + n / 2; i < x + n / 2; ++i)
            if (i >= n / 2 && i < 512 - n + n / 2) sum += byteOf(row[i], byte);
        out |=
            static_cast<uint32_t>(std::min<uint64_t>(255, (sum * scale.multiplier) >> scale.shift))
            << (8 * byte);
    }
    return out;
}

TEST(DemoBoxBlur, MultiplierStandsForOneOverN) {
    EXPECT_EQ(boxBlurScale(1).multiplier, 256u);
    EXPECT_EQ(boxBlurScale(1).shift, 8u);
    EXPECT_EQ(boxBlurScale(3).multiplier, 171u);   // 512 / 3 = 170.67
    EXPECT_EQ(boxBlurScale(255).multiplier, 129u); // 32768 / 255 = 128.5
    EXPECT_EQ(boxBlurScale(256).multiplier, 256u);
    EXPECT_EQ(boxBlurScale(256).shift, 16u);
    for (int32_t n = 1; n <= 256; ++n) {
        EXPECT_GE(boxBlurScale(n).multiplier, 129u) << n;
        EXPECT_LE(boxBlurScale(n).multiplier, 256u) << n;
    }
}

using BlurFunction = void (*)(Bitmap&, int32_t);
// Every path this processor can run, and the one boxBlurRows chose.
std::vector<BlurFunction> allPaths() {
    std::vector<BlurFunction> paths = {boxBlurRowsScalar, boxBlurRows};
    if (simdLevelSupported(SimdLevel::sse2)) paths.push_back(boxBlurRowsSse2);
    if (simdLevelSupported(SimdLevel::avx2)) paths.push_back(boxBlurRowsAvx2);
    return paths;
}

TEST(DemoBoxBlur, WindowOfOneShiftsRowsRight) {
    for (BlurFunction blur : allPaths()) {
        Rows rows(3);
        for (size_t i = 0; i < rows.memory.size(); ++i)
            rows.memory[i] = static_cast<uint32_t>(i * 2654435761u);
        const std::vector<uint32_t> before = rows.memory;
        blur(rows.bitmap, 1);
        for (int32_t y = 0; y < 3; ++y) {
            EXPECT_EQ(rows.at(0, y), 0u);
            for (int32_t x = 1; x < 512; ++x) ASSERT_EQ(rows.at(x, y), before[y * 512 + x - 1]);
        }
    }
}

TEST(DemoBoxBlur, WindowOf256TurnsWhiteIntoATriangle) {
    for (BlurFunction blur : allPaths()) {
        Rows rows(2);
        std::fill(rows.memory.begin(), rows.memory.end(), 0xFFFFFFFFu);
        blur(rows.bitmap, 256);
        for (int32_t x = 0; x < 512; ++x) {
            const uint32_t level = x <= 256 ? 255u * x / 256 : 255u * (512 - x) / 256;
            ASSERT_EQ(rows.at(x, 1), level * 0x01010101u) << "x " << x;
        }
        EXPECT_EQ(rows.at(256), 0xFFFFFFFFu);
        EXPECT_EQ(rows.at(511), 0u);
    }
}

TEST(DemoBoxBlur, MatchesTheDefinitionForEveryWindow) {
    std::mt19937 random(11);
    for (int32_t n = 1; n <= 256; ++n) {
        Rows rows(1);
        for (uint32_t& p : rows.memory) p = random();
        const std::vector<uint32_t> row = rows.memory;
        boxBlurRowsScalar(rows.bitmap, n);
        for (int32_t x = 0; x < 512; ++x)
            ASSERT_EQ(rows.at(x), blurredByDefinition(row, n, x)) << "n " << n << ", x " << x;
    }
}

TEST(DemoBoxBlur, SimdPathsMatchScalarBitForBit) {
    const std::vector<BlurFunction> paths = allPaths();
    std::mt19937 random(5);
    for (int32_t n = 1; n <= 256; ++n) {
        const int32_t height = 1 + static_cast<int32_t>(random() % 9); // leftover rows too
        Rows reference(height);
        // Bright pixels push the sums and the saturation; random ones cover
        // every byte, the fourth included.
        const bool bright = n % 3 == 0;
        for (uint32_t& p : reference.memory) p = bright ? (random() | 0xE0E0E0E0u) : random();
        const std::vector<uint32_t> input = reference.memory;
        boxBlurRowsScalar(reference.bitmap, n);
        for (size_t path = 1; path < paths.size(); ++path) {
            Rows simd(height);
            std::copy(input.begin(), input.end(), simd.memory.begin());
            paths[path](simd.bitmap, n);
            ASSERT_EQ(simd.memory, reference.memory)
                << "path " << path << ", n " << n << ", height " << height;
        }
    }
}

TEST(DemoBoxBlur, OutOfRangeWindowsAreClamped) {
    Rows a(1), b(1);
    std::fill(a.memory.begin(), a.memory.end(), 0x00808080u);
    std::copy(a.memory.begin(), a.memory.end(), b.memory.begin());
    boxBlurRows(a.bitmap, 0);
    boxBlurRows(b.bitmap, 1);
    EXPECT_EQ(a.memory, b.memory);
    std::fill(a.memory.begin(), a.memory.end(), 0x00808080u);
    std::copy(a.memory.begin(), a.memory.end(), b.memory.begin());
    boxBlurRows(a.bitmap, 300);
    boxBlurRows(b.bitmap, 256);
    EXPECT_EQ(a.memory, b.memory);
}

} // namespace
