#include <cstdlib>
#include <string>
#include <vector>

#include "loaders/Jpeg.h"
#include "support/loader_fixture.h"

namespace {
using LoaderJpeg = LoaderTest;

constexpr uint32_t topLeft = 0xC81E1E, topRight = 0x1EC81E, bottomLeft = 0x1E1EC8,
                   bottomRight = 0xC8C81E;

// 10 × 16, four flat regions that each fill whole 8 × 8 blocks, so quality 100
// brings them back within a step or two. A wrong row stride would shear the
// right-hand columns into the next row's left-hand ones.
std::vector<uint32_t> quadrants() {
    std::vector<uint32_t> pixels;
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 10; ++c)
            pixels.push_back(r < 8 ? (c < 8 ? topLeft : topRight)
                                   : (c < 8 ? bottomLeft : bottomRight));
    return pixels;
}

void expectNear(uint32_t actual, uint32_t expected, const std::string& where) {
    for (int shift : {0, 8, 16}) {
        const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
        EXPECT_LE(std::abs(a - e), 3) << where << " channel " << shift;
    }
    EXPECT_EQ(actual >> 24, 0u) << where;
}

TEST_F(LoaderJpeg, TenPixelsWideDecodesIntoPaddedBottomUpRowsAndLoadsUpright) {
    const std::vector<uint32_t> expected = quadrants();
    const std::string name = file("quad.jpg", loaderEncodeRgbJpeg(10, 16, expected));

    uint32_t width = 0, height = 0;
    int32_t bits = 0;
    uint8_t* buffer = decodeJpeg(name.c_str(), width, height, bits);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(width, 10u);
    EXPECT_EQ(height, 16u);
    EXPECT_EQ(bits, 24);
    // Rows 32 bytes apart, the image's top row last, blue green red.
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 10; ++c) {
            const uint8_t* p = buffer + (15 - r) * 32 + 3 * c;
            expectNear(p[0] | p[1] << 8 | p[2] << 16, expected[r * 10 + c],
                       "buffer " + std::to_string(r) + "," + std::to_string(c));
        }
    std::free(buffer);

    Picture picture;
    ASSERT_EQ(picture.load(name.c_str()), loadSuccess);
    ASSERT_EQ(picture.width, 10);
    ASSERT_EQ(picture.height, 16);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 10; ++c)
            expectNear(at(picture, r, c), expected[r * 10 + c],
                       "picture " + std::to_string(r) + "," + std::to_string(c));
}

TEST_F(LoaderJpeg, GreyscaleAndCmykAreRefused) {
    const std::vector<uint8_t> grey(8 * 8, 0x80), cmyk(8 * 8 * 4, 0x40);
    const std::string greyName =
        file("grey.jpg", loaderEncodeJpeg(8, 8, LoaderJpegKind::grey, grey));
    const std::string cmykName =
        file("cmyk.jpg", loaderEncodeJpeg(8, 8, LoaderJpegKind::cmyk, cmyk));

    uint32_t width = 0, height = 0;
    int32_t bits = 0;
    // Greyscale decodes (to equal blue, green and red) and is refused by load.
    uint8_t* buffer = decodeJpeg(greyName.c_str(), width, height, bits);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(buffer[0], buffer[2]);
    std::free(buffer);
    // Four components would overrun the row: refused before any scanline.
    EXPECT_EQ(decodeJpeg(cmykName.c_str(), width, height, bits), nullptr);
    EXPECT_EQ(bits, 32);

    const int openBefore = loaderOpenFileCount();
    for (const std::string& name : {greyName, cmykName}) {
        Picture picture;
        EXPECT_EQ(picture.load(name.c_str()), loadNot888) << name;
        expectEmpty(picture);
    }
    EXPECT_EQ(loaderOpenFileCount(), openBefore);
}

TEST_F(LoaderJpeg, FatalErrorsAreReportedAndRecovered) {
    const int openBefore = loaderOpenFileCount();
    Picture picture;
    testing::internal::CaptureStderr();
    EXPECT_EQ(picture.load(file("bmp.jpg", loaderMakeBmp(1, 1, {0})).c_str()), loadFileNotOpened);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "JPEG Fatal Error: Not a JPEG file: starts with 0x42 0x4d\n");
    expectEmpty(picture);

    // Prefixes of a good file (every one through the headers, then a sample):
    // refused or decoded with grey filler, never
    // a crash, a leak or a file left open.
    const LoaderBytes whole = loaderEncodeRgbJpeg(10, 16, quadrants(), 90);
    testing::internal::CaptureStderr();
    for (size_t length = 0; length < whole.size(); length += length < 40 ? 1 : 7) {
        const int32_t result = picture.load(
            file("cut.jpg", LoaderBytes(whole.begin(), whole.begin() + length)).c_str());
        EXPECT_TRUE(result == loadFileNotOpened || result == loadSuccess) << length;
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(loaderOpenFileCount(), openBefore);
}

TEST_F(LoaderJpeg, RefusesImagesTooLargeOrWithRunawayScans) {
    std::vector<uint32_t> row(16385, 0x808080);
    Picture wide;
    EXPECT_EQ(wide.load(file("wide.jpg", loaderEncodeRgbJpeg(16385, 1, row, 50)).c_str()),
              loadImageTooLarge);
    expectEmpty(wide);

    const std::vector<uint8_t> grey(8 * 8, 0x80);
    uint32_t width = 0, height = 0;
    int32_t bits = 0;
    const std::string fewScans =
        file("few.jpg", loaderEncodeJpeg(8, 8, LoaderJpegKind::grey, grey, 90, maxJpegScans));
    uint8_t* buffer = decodeJpeg(fewScans.c_str(), width, height, bits);
    EXPECT_NE(buffer, nullptr);
    std::free(buffer);

    const std::string manyScans =
        file("many.jpg", loaderEncodeJpeg(8, 8, LoaderJpegKind::grey, grey, 90, maxJpegScans + 1));
    testing::internal::CaptureStderr();
    EXPECT_EQ(decodeJpeg(manyScans.c_str(), width, height, bits), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "JPEG Fatal Error: Too many progressive scans\n");
    EXPECT_EQ(bits, 0);
}
} // namespace
