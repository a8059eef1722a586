#include <vector>

#include "support/loader_fixture.h"

namespace {
using LoaderBmp = LoaderTest;

constexpr uint32_t red = 0xFF0000;
constexpr uint32_t blue = 0x0000FF;

// A recognisable colour for each stored (row, column).
uint32_t colourAt(int storedRow, int column) {
    return static_cast<uint32_t>(0x100000 * (storedRow + 1) + 0x000100 * (column + 3) + 7 * column +
                                 1);
}

std::vector<uint32_t> storedPixels(int width, int rows) {
    std::vector<uint32_t> pixels;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < width; ++c) pixels.push_back(colourAt(r, c));
    return pixels;
}

TEST_F(LoaderBmp, WidthsOneToFiveUseRowsPaddedToFourBytes) {
    const int rowBytes[] = {4, 8, 12, 12, 16};
    for (int width = 1; width <= 5; ++width) {
        const LoaderBytes bytes = loaderMakeBmp(width, 3, storedPixels(width, 3));
        ASSERT_EQ(bytes.size(), 54u + 3 * rowBytes[width - 1]);
        Picture picture;
        ASSERT_EQ(picture.load(file("w.bmp", bytes).c_str()), loadSuccess);
        ASSERT_EQ(picture.width, width);
        ASSERT_EQ(picture.height, 3);
        // Stored rows are bottom-up; every fourth byte is 0 despite the 0xEE padding.
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < width; ++c)
                EXPECT_EQ(at(picture, r, c), colourAt(2 - r, c)) << width << " " << r << " " << c;
    }
}

TEST_F(LoaderBmp, FirstStoredRowBecomesTheBottomRow) {
    Picture picture;
    ASSERT_EQ(picture.load(file("flip.bmp", loaderMakeBmp(2, 2, {red, red, blue, blue})).c_str()),
              loadSuccess);
    EXPECT_EQ(at(picture, 0, 0), blue);
    EXPECT_EQ(at(picture, 0, 1), blue);
    EXPECT_EQ(at(picture, 1, 0), red);
    EXPECT_EQ(at(picture, 1, 1), red);
}

TEST_F(LoaderBmp, NegativeHeightMeansRowsStoredTopDown) {
    Picture picture;
    ASSERT_EQ(picture.load(file("down.bmp", loaderMakeBmp(3, -4, storedPixels(3, 4))).c_str()),
              loadSuccess);
    ASSERT_EQ(picture.height, 4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(at(picture, r, c), colourAt(r, c));
}

TEST_F(LoaderBmp, RefusesLayoutsItCannotReadBeforeAllocating) {
    struct Case {
        const char* what;
        LoaderBytes bytes;
        int32_t result;
    };
    const std::vector<uint32_t> one{red};
    LoaderBytes truncatedHeader = loaderMakeBmp(1, 1, one);
    truncatedHeader.resize(40);
    const Case cases[] = {
        {"32-bit", loaderMakeBmp(1, 1, one, 32), loadNot888},
        {"8-bit", loaderMakeBmp(1, 1, one, 8), loadNot888},
        {"run-length", loaderMakeBmp(1, 1, one, 24, 1), loadNot888},
        {"bit fields", loaderMakeBmp(1, 1, one, 24, 3), loadNot888},
        {"negative width", loaderMakeBmp(-1, 1, {}), loadNot888},
        {"short header", truncatedHeader, loadNot888},
        {"zero width", loaderMakeBmp(0, 1, {}), loadImageTooLarge},
        {"zero height", loaderMakeBmp(1, 0, {}), loadImageTooLarge},
        {"wide", loaderMakeBmp(16385, 0, {}), loadImageTooLarge},
        {"most negative height", loaderMakeBmp(1, INT32_MIN, {}), loadImageTooLarge},
    };
    const int openBefore = loaderOpenFileCount();
    for (const Case& c : cases) {
        Picture picture;
        EXPECT_EQ(picture.load(file("bad.bmp", c.bytes).c_str()), c.result) << c.what;
        expectEmpty(picture);
    }
    // Too many pixels although both sides are allowed: only the header is written.
    LoaderBytes huge = loaderMakeBmp(16384, 1, storedPixels(16384, 1));
    huge[22] = 0x01, huge[23] = 0x10; // height 4097: 16384 × 4097 > 2^26
    Picture picture;
    EXPECT_EQ(picture.load(file("huge.bmp", huge).c_str()), loadImageTooLarge);
    expectEmpty(picture);
    EXPECT_EQ(loaderOpenFileCount(), openBefore);
}

TEST_F(LoaderBmp, MissingRowsOfAShortFileAreBlack) {
    LoaderBytes bytes = loaderMakeBmp(2, 3, storedPixels(2, 3));
    bytes.resize(54 + 8 + 3); // one whole row, then one pixel of the next
    Picture picture;
    ASSERT_EQ(picture.load(file("short.bmp", bytes).c_str()), loadSuccess);
    EXPECT_EQ(at(picture, 2, 0), colourAt(0, 0));
    EXPECT_EQ(at(picture, 2, 1), colourAt(0, 1));
    EXPECT_EQ(at(picture, 1, 0), colourAt(1, 0));
    EXPECT_EQ(at(picture, 1, 1), 0u);
    EXPECT_EQ(at(picture, 0, 0), 0u);
    EXPECT_EQ(at(picture, 0, 1), 0u);
}

TEST_F(LoaderBmp, FailedLoadKeepsThePicturesEarlierPixels) {
    Picture picture;
    ASSERT_EQ(picture.load(file("good.bmp", loaderMakeBmp(1, 1, {red})).c_str()), loadSuccess);
    EXPECT_EQ(picture.load(file("bad.bmp", loaderMakeBmp(1, 1, {blue}, 16)).c_str()), loadNot888);
    EXPECT_EQ(picture.load(dir.path("absent.bmp").c_str()), loadFileNotOpened);
    ASSERT_NE(picture.pixels, nullptr);
    EXPECT_EQ(picture.width, 1);
    EXPECT_EQ(picture.pixels[0], red);
    EXPECT_EQ(std::string(picture.fileName), dir.path("absent.bmp"));
}
} // namespace
