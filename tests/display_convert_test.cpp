#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/Convert.h"
#include "display/Present.h"

namespace {

// A small canvas of given pixels, and an output buffer with marked bytes
// after the converted run so overruns show.
struct Conversion {
    explicit Conversion(std::vector<uint32_t> pixels) : source(std::move(pixels)) {
        bitmap.width = static_cast<int32_t>(source.size());
        bitmap.height = 1;
        bitmap.pixels = source.data();
    }
    std::vector<uint8_t> run(void (*convert)(uint8_t*, const Bitmap&), size_t bytesPerPixel) {
        std::vector<uint8_t> out(source.size() * bytesPerPixel + 8, 0xA5);
        convert(out.data(), bitmap);
        for (size_t i = source.size() * bytesPerPixel; i < out.size(); ++i)
            EXPECT_EQ(out[i], 0xA5) << "written past the converted run at " << i;
        out.resize(source.size() * bytesPerPixel);
        return out;
    }
    std::vector<uint32_t> source;
    Bitmap bitmap;
};

uint16_t wordAt(const std::vector<uint8_t>& bytes, size_t index) {
    return static_cast<uint16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}

} // namespace

TEST(DisplayConvert, WorkedExamplesInEveryLayout) {
    // white, r=0x80 g=0x40 b=0x20, a fourth byte that must be ignored, black
    Conversion c({0x00FFFFFF, 0x00804020, 0xFF000000, 0x00000000});

    const auto x555 = c.run(convertTo555, 2);
    EXPECT_EQ(wordAt(x555, 0), 0x7FFF);
    EXPECT_EQ(wordAt(x555, 1), 0x4104);
    EXPECT_EQ(wordAt(x555, 2), 0x0000);

    const auto r565 = c.run(convertTo565, 2);
    EXPECT_EQ(wordAt(r565, 0), 0xFFFF);
    EXPECT_EQ(wordAt(r565, 1), 0x8204);
    EXPECT_EQ(wordAt(r565, 2), 0x0000);

    const auto bgr = c.run(convertTo24, 3);
    const std::vector<uint8_t> expected = {0xFF, 0xFF, 0xFF, 0x20, 0x40, 0x80, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(bgr, expected);
}

TEST(DisplayConvert, ChannelsKeepTheirPlaceAndDropLowBits) {
    // One channel at a time, then low bits alone, which must be cut off.
    Conversion c({0x00FF0000, 0x0000FF00, 0x000000FF, 0x00070307});
    const auto x555 = c.run(convertTo555, 2);
    EXPECT_EQ(wordAt(x555, 0), 0x7C00);
    EXPECT_EQ(wordAt(x555, 1), 0x03E0);
    EXPECT_EQ(wordAt(x555, 2), 0x001F);
    EXPECT_EQ(wordAt(x555, 3), 0x0000); // every channel below one step
    const auto r565 = c.run(convertTo565, 2);
    EXPECT_EQ(wordAt(r565, 0), 0xF800);
    EXPECT_EQ(wordAt(r565, 1), 0x07E0);
    EXPECT_EQ(wordAt(r565, 2), 0x001F);
    EXPECT_EQ(wordAt(r565, 3), 0x0000); // green 3 is below 565's step of 4
}

TEST(DisplayConvert, CentringOffsetsPutTheCanvasSixtyFourLinesDown) {
    EXPECT_EQ(centringOffset(15, 384), 0x10000);
    EXPECT_EQ(centringOffset(16, 384), 0x10000);
    EXPECT_EQ(centringOffset(24, 384), 0x18000);
    EXPECT_EQ(centringOffset(32, 384), 0x20000);
    EXPECT_EQ(centringOffset(8, 384), 0);
    EXPECT_EQ(centringOffset(32, 256), 0);
}
