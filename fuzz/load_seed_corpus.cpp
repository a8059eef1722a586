// Writes the seed corpus of the loader fuzzers from the same builders the
// loader tests use:  loader_seed_corpus <source>/fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/loader_files.h"

namespace {
std::vector<uint32_t> gradient(int width, int height) {
    std::vector<uint32_t> pixels;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            pixels.push_back(static_cast<uint32_t>((r * 40) << 16 | (c * 30) << 8 | (r + c) * 20));
    return pixels;
}

void put(const std::filesystem::path& dir, const std::string& name, const LoaderBytes& bytes) {
    std::filesystem::create_directories(dir);
    loaderWriteFile((dir / name).string(), bytes);
}

LoaderBytes withEnding(uint8_t ending, LoaderBytes bytes) {
    bytes.insert(bytes.begin(), ending);
    return bytes;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];

    const LoaderBytes bmpFlip = loaderMakeBmp(2, 2, {0xFF0000, 0xFF0000, 0xFF, 0xFF});
    const LoaderBytes bmpOdd = loaderMakeBmp(5, 3, gradient(5, 3));
    const LoaderBytes bmpTopDown = loaderMakeBmp(3, -4, gradient(3, 4));
    put(root / "load_bmp_fuzz", "flip_2x2.bmp", bmpFlip);
    put(root / "load_bmp_fuzz", "odd_5x3.bmp", bmpOdd);
    put(root / "load_bmp_fuzz", "top_down_3x4.bmp", bmpTopDown);

    LoaderTgaHeader rleHeader;
    rleHeader.imageType = 10;
    rleHeader.width = 6;
    rleHeader.height = 4;
    LoaderBytes tgaRle = loaderMakeTgaHeader(rleHeader);
    for (uint8_t packet : {0x00, 0x83, 0x05, 0xFF}) {
        tgaRle.push_back(packet);
        const int literals = packet < 128 ? packet + 1 : 1;
        for (int i = 0; i < literals; ++i) loaderAppendBgr(tgaRle, 0x102030u * (i + packet % 7));
    }
    LoaderTgaHeader rawHeader;
    rawHeader.width = 3;
    rawHeader.height = 2;
    rawHeader.idLength = 4;
    rawHeader.colourMapLength = 2;
    rawHeader.colourMapEntryBits = 15;
    rawHeader.descriptor = 0x20;
    LoaderBytes tgaRaw = loaderMakeTgaHeader(rawHeader);
    for (uint32_t colour : gradient(3, 2)) loaderAppendBgr(tgaRaw, colour);
    put(root / "load_tga_fuzz", "rle_6x4.tga", tgaRle);
    put(root / "load_tga_fuzz", "raw_with_id_and_map_3x2.tga", tgaRaw);

    const LoaderBytes jpegColour = loaderEncodeRgbJpeg(10, 16, gradient(10, 16), 90);
    const LoaderBytes jpegGrey =
        loaderEncodeJpeg(8, 8, LoaderJpegKind::grey, std::vector<uint8_t>(64, 0x80), 90);
    const LoaderBytes jpegCmyk =
        loaderEncodeJpeg(8, 8, LoaderJpegKind::cmyk, std::vector<uint8_t>(256, 0x40), 90);
    std::vector<uint8_t> ramp;
    for (int i = 0; i < 64; ++i) ramp.push_back(static_cast<uint8_t>(i * 4));
    const LoaderBytes jpegProgressive = loaderEncodeJpeg(8, 8, LoaderJpegKind::grey, ramp, 90, 12);
    put(root / "load_jpeg_fuzz", "colour_10x16.jpg", jpegColour);
    put(root / "load_jpeg_fuzz", "grey_8x8.jpg", jpegGrey);
    put(root / "load_jpeg_fuzz", "cmyk_8x8.jpg", jpegCmyk);
    put(root / "load_jpeg_fuzz", "progressive_grey_8x8.jpg", jpegProgressive);

    // The first byte picks the ending: 0 ".bmp", 2 ".tga", 4 ".jpg".
    put(root / "load_any_fuzz", "bmp", withEnding(0, bmpOdd));
    put(root / "load_any_fuzz", "tga", withEnding(2, tgaRle));
    put(root / "load_any_fuzz", "jpg", withEnding(4, jpegColour));
    return 0;
}
