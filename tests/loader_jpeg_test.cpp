#include <cstdlib>
#include <string>
#include <vector>

#include "loaders/Jpeg.h"
#include "loaders/Readers.h"
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

    VectorSink sink;
    ASSERT_EQ(readJpeg(name.c_str(), sink).code, loadSuccess);
    EXPECT_EQ(sink.askedWidth, 10);
    EXPECT_EQ(sink.askedHeight, 16);
    ASSERT_EQ(sink.pixels.size(), 160u);
    // Rows 10 pixels apart, the image's top row first, blue green red 0.
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 10; ++c)
            expectNear(sink.pixels[r * 10 + c], expected[r * 10 + c],
                       "sink " + std::to_string(r) + "," + std::to_string(c));

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

    // Both are refused from the header, before anything is allocated.
    for (const auto& [name, reason] :
         {std::pair{greyName, "greyscale; only colour is read"},
          std::pair{cmykName, "4 colour components; only 3 are read"}}) {
        VectorSink sink;
        const LoadOutcome outcome = readJpeg(name.c_str(), sink);
        EXPECT_EQ(outcome.code, loadNot888) << name;
        EXPECT_EQ(outcome.reason, reason);
        EXPECT_FALSE(sink.allocated) << name;
    }

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
    // The reader shows nothing; its outcome carries the library's message and
    // the plain cause for the caller to report.
    testing::internal::CaptureStderr();
    const LoadOutcome notJpeg =
        picture.loadChecked(file("bmp.jpg", loaderMakeBmp(1, 1, {0})).c_str(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(notJpeg.code, loadFileNotOpened);
    EXPECT_EQ(notJpeg.decoderMessage, "Not a JPEG file: starts with 0x42 0x4d");
    EXPECT_EQ(notJpeg.reason, "not a JPEG file: starts with 0x42 0x4d");
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

    const std::vector<uint8_t> colour(8 * 8 * 3, 0x80);
    const std::string fewScans =
        file("few.jpg", loaderEncodeJpeg(8, 8, LoaderJpegKind::colour, colour, 90, maxJpegScans));
    VectorSink sink;
    EXPECT_EQ(readJpeg(fewScans.c_str(), sink).code, loadSuccess);

    const std::string manyScans = file(
        "many.jpg", loaderEncodeJpeg(8, 8, LoaderJpegKind::colour, colour, 90, maxJpegScans + 1));
    testing::internal::CaptureStderr();
    const LoadOutcome many = readJpeg(manyScans.c_str(), sink);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(many.code, loadFileNotOpened);
    EXPECT_EQ(many.decoderMessage, "Too many progressive scans");
}
} // namespace
