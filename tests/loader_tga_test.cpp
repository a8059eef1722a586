#include <vector>

#include "support/loader_fixture.h"

namespace {
using LoaderTga = LoaderTest;

LoaderTgaHeader header(uint8_t type, uint16_t width, uint16_t height) {
    LoaderTgaHeader h;
    h.imageType = type;
    h.width = width;
    h.height = height;
    return h;
}

uint32_t shade(int i) {
    return static_cast<uint32_t>(0x010203 * (i % 80) + 0x400000);
}

TEST_F(LoaderTga, RunLengthPacketHeadersAtTheirLimits) {
    // 0x00: 1 literal, 0x7F: 128 literals, 0x80: one pixel once, 0xFF: one
    // pixel 128 times; 258 pixels in all, crossing the row end at 129.
    LoaderBytes bytes = loaderMakeTgaHeader(header(10, 129, 2));
    std::vector<uint32_t> expected;
    bytes.push_back(0x00);
    loaderAppendBgr(bytes, shade(0));
    expected.push_back(shade(0));
    bytes.push_back(0x7F);
    for (int i = 1; i <= 128; ++i) {
        loaderAppendBgr(bytes, shade(i));
        expected.push_back(shade(i));
    }
    bytes.push_back(0x80);
    loaderAppendBgr(bytes, 0xABCDEF);
    expected.push_back(0xABCDEF);
    bytes.push_back(0xFF);
    loaderAppendBgr(bytes, 0x135790);
    expected.insert(expected.end(), 128, 0x135790);

    Picture picture;
    ASSERT_EQ(picture.load(file("rle.tga", bytes).c_str()), loadSuccess);
    ASSERT_EQ(picture.width, 129);
    ASSERT_EQ(picture.height, 2);
    // File order fills the bottom row first.
    for (int i = 0; i < 258; ++i) EXPECT_EQ(at(picture, 1 - i / 129, i % 129), expected[i]) << i;
}

TEST_F(LoaderTga, PacketsAreCutAtTheLastPixel) {
    // Into a 2 × 2 picture: a run of 128, or 3 literals followed by 128 more.
    for (bool run : {true, false}) {
        LoaderBytes bytes = loaderMakeTgaHeader(header(10, 2, 2));
        if (run) {
            bytes.push_back(0xFF);
            loaderAppendBgr(bytes, 0x111111);
        } else {
            bytes.push_back(0x02);
            for (int i = 0; i < 3; ++i) loaderAppendBgr(bytes, 0x111111);
            bytes.push_back(0x7F);
            for (int i = 0; i < 128; ++i) loaderAppendBgr(bytes, 0x222222);
        }
        Picture picture;
        ASSERT_EQ(picture.load(file("cut.tga", bytes).c_str()), loadSuccess);
        EXPECT_EQ(at(picture, 1, 0), 0x111111u);
        EXPECT_EQ(at(picture, 0, 1), run ? 0x111111u : 0x222222u);
        // After the 4 pixels the guard holds their mirrored copy, then zeros:
        // nothing of the packet spilled past the picture.
        for (int i = 8; i < 132; ++i) ASSERT_EQ(picture.pixels[i], 0u) << i;
    }
}

TEST_F(LoaderTga, TruncatedDataLeavesTheRestBlack) {
    LoaderBytes rle = loaderMakeTgaHeader(header(10, 3, 2));
    rle.push_back(0x81);
    loaderAppendBgr(rle, 0x445566);
    rle.push_back(0x03); // four literals promised, one and a half given
    loaderAppendBgr(rle, 0x778899);
    rle.push_back(0x10);
    rle.push_back(0x20);
    LoaderBytes raw = loaderMakeTgaHeader(header(2, 3, 2));
    for (uint32_t colour : {0x445566, 0x445566, 0x778899}) loaderAppendBgr(raw, colour);
    raw.push_back(0x10);
    raw.push_back(0x20);
    for (const LoaderBytes& bytes : {rle, raw}) {
        Picture picture;
        ASSERT_EQ(picture.load(file("short.tga", bytes).c_str()), loadSuccess);
        EXPECT_EQ(at(picture, 1, 0), 0x445566u);
        EXPECT_EQ(at(picture, 1, 1), 0x445566u);
        EXPECT_EQ(at(picture, 1, 2), 0x778899u);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(at(picture, 0, c), 0u) << c;
    }
}

TEST_F(LoaderTga, SkipsImageIdAndColourMapAndIgnoresTheDescriptor) {
    LoaderTgaHeader h = header(2, 2, 2);
    h.idLength = 5;
    h.colourMapLength = 3;
    h.colourMapEntryBits = 15; // 2 bytes per entry
    h.descriptor = 0x20;       // says the first row is the top one
    LoaderBytes bytes = loaderMakeTgaHeader(h);
    for (uint32_t colour : {0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00}) loaderAppendBgr(bytes, colour);
    Picture picture;
    ASSERT_EQ(picture.load(file("top.tga", bytes).c_str()), loadSuccess);
    // The first stored row still lands at the bottom: the picture is upside down.
    EXPECT_EQ(at(picture, 1, 0), 0x0000FFu);
    EXPECT_EQ(at(picture, 1, 1), 0x0000FFu);
    EXPECT_EQ(at(picture, 0, 0), 0x00FF00u);
    EXPECT_EQ(at(picture, 0, 1), 0x00FF00u);
}

TEST_F(LoaderTga, RefusedFilesAreClosedAndLeaveNoPixels) {
    LoaderTgaHeader deep = header(2, 1, 1);
    deep.pixelDepth = 32;
    LoaderBytes typeOnly = loaderMakeTgaHeader(header(2, 1, 1));
    typeOnly.resize(10);
    struct Case {
        const char* what;
        LoaderBytes bytes;
        int32_t result;
    } cases[] = {
        {"colour-mapped", loaderMakeTgaHeader(header(1, 1, 1)), loadModeNotSupported},
        {"run-length colour-mapped", loaderMakeTgaHeader(header(9, 1, 1)), loadModeNotSupported},
        {"two bytes", LoaderBytes{0, 0}, loadModeNotSupported},
        {"32-bit", loaderMakeTgaHeader(deep), loadNot888},
        {"header cut short", typeOnly, loadNot888},
        {"zero width", loaderMakeTgaHeader(header(2, 0, 5)), loadImageTooLarge},
        {"too high", loaderMakeTgaHeader(header(10, 1, 20000)), loadImageTooLarge},
        {"too many pixels", loaderMakeTgaHeader(header(10, 16384, 4097)), loadImageTooLarge},
    };
    const int openBefore = loaderOpenFileCount();
    for (const Case& c : cases) {
        Picture picture;
        EXPECT_EQ(picture.load(file("bad.tga", c.bytes).c_str()), c.result) << c.what;
        expectEmpty(picture);
    }
    EXPECT_EQ(loaderOpenFileCount(), openBefore);
}
} // namespace
