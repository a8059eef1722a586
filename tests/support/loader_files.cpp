#include "support/loader_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <jpeglib.h>

LoaderTempDir::LoaderTempDir() {
    char pattern[] = "/tmp/loader_test_XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a temporary directory");
    root_ = pattern;
}

LoaderTempDir::~LoaderTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void loaderWriteFile(const std::string& path, const LoaderBytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + path);
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (written != bytes.size()) throw std::runtime_error("short write to " + path);
}

LoaderBytes loaderReadFile(const std::string& path) {
    LoaderBytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(file);
    return bytes;
}

int loaderOpenFileCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

namespace {
void put16(LoaderBytes& bytes, uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}
void put32(LoaderBytes& bytes, uint32_t value) {
    put16(bytes, value & 0xFFFF);
    put16(bytes, value >> 16);
}
} // namespace

void loaderAppendBgr(LoaderBytes& bytes, uint32_t colour) {
    bytes.push_back(static_cast<uint8_t>(colour));
    bytes.push_back(static_cast<uint8_t>(colour >> 8));
    bytes.push_back(static_cast<uint8_t>(colour >> 16));
}

LoaderBytes loaderMakeBmp(int32_t width, int32_t height, const std::vector<uint32_t>& pixels,
                          uint16_t bitCount, uint32_t compression, uint8_t padByte) {
    const int64_t rows = height < 0 ? -int64_t{height} : height;
    const int64_t rowBytes = (3 * int64_t{width} + 3) / 4 * 4;
    LoaderBytes bytes{'B', 'M'};
    put32(bytes, static_cast<uint32_t>(54 + rows * rowBytes));
    put32(bytes, 0);
    put32(bytes, 54);
    put32(bytes, 40);
    put32(bytes, static_cast<uint32_t>(width));
    put32(bytes, static_cast<uint32_t>(height));
    put16(bytes, 1);
    put16(bytes, bitCount);
    put32(bytes, compression);
    put32(bytes, static_cast<uint32_t>(rows * rowBytes));
    put32(bytes, 2835);
    put32(bytes, 2835);
    put32(bytes, 0);
    put32(bytes, 0);
    // Rows are written only as far as `pixels` reaches, so a header may
    // promise more than the file holds.
    for (int64_t r = 0; r < rows && width > 0 && (r + 1) * width <= int64_t(pixels.size()); ++r) {
        for (int32_t c = 0; c < width; ++c) loaderAppendBgr(bytes, pixels.at(r * width + c));
        for (int64_t p = 3 * int64_t{width}; p < rowBytes; ++p) bytes.push_back(padByte);
    }
    return bytes;
}

LoaderBytes loaderMakeTgaHeader(const LoaderTgaHeader& header) {
    LoaderBytes bytes{header.idLength, header.colourMapLength ? uint8_t{1} : uint8_t{0},
                      header.imageType};
    put16(bytes, 0);
    put16(bytes, header.colourMapLength);
    bytes.push_back(header.colourMapEntryBits);
    put16(bytes, 0);
    put16(bytes, 0);
    put16(bytes, header.width);
    put16(bytes, header.height);
    bytes.push_back(header.pixelDepth);
    bytes.push_back(header.descriptor);
    for (int i = 0; i < header.idLength; ++i) bytes.push_back(static_cast<uint8_t>('I'));
    const int mapBytes = header.colourMapLength * ((header.colourMapEntryBits + 7) / 8);
    for (int i = 0; i < mapBytes; ++i) bytes.push_back(0xCC);
    return bytes;
}

namespace {
// A progressive scan script of `count` scans: the DC scan of every component,
// then the first component's AC coefficients one at a time, first at a coarse
// precision and then refined bit by bit until the script is long enough.
std::vector<jpeg_scan_info> manyScans(int count, int components) {
    std::vector<jpeg_scan_info> scans;
    const int refinements = count / 63 + 1;
    const int firstBit = refinements > 12 ? 12 : refinements;
    scans.push_back({components, {0, 1, 2, 3}, 0, 0, 0, 0});
    for (int al = firstBit; al >= 0 && static_cast<int>(scans.size()) < count; --al) {
        for (int k = 1; k <= 63 && static_cast<int>(scans.size()) < count; ++k) {
            scans.push_back({1, {0, 0, 0, 0}, k, k, al == firstBit ? 0 : al + 1, al});
        }
    }
    return scans;
}
} // namespace

LoaderBytes loaderEncodeJpeg(int width, int height, LoaderJpegKind kind,
                             const std::vector<uint8_t>& samples, int quality, int scans) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    switch (kind) {
    case LoaderJpegKind::colour:
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        break;
    case LoaderJpegKind::grey:
        info.input_components = 1;
        info.in_color_space = JCS_GRAYSCALE;
        break;
    case LoaderJpegKind::cmyk:
        info.input_components = 4;
        info.in_color_space = JCS_CMYK;
        break;
    }
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    std::vector<jpeg_scan_info> script;
    if (scans > 0) {
        script = manyScans(scans, info.num_components);
        info.scan_info = script.data();
        info.num_scans = static_cast<int>(script.size());
    }
    jpeg_start_compress(&info, TRUE);
    const size_t rowSamples = static_cast<size_t>(width) * info.input_components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * rowSamples);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    LoaderBytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

LoaderBytes loaderEncodeRgbJpeg(int width, int height, const std::vector<uint32_t>& pixels,
                                int quality) {
    std::vector<uint8_t> samples;
    for (uint32_t colour : pixels) {
        samples.push_back(static_cast<uint8_t>(colour >> 16));
        samples.push_back(static_cast<uint8_t>(colour >> 8));
        samples.push_back(static_cast<uint8_t>(colour));
    }
    return loaderEncodeJpeg(width, height, LoaderJpegKind::colour, samples, quality);
}

LoaderBytes loaderWithClaimedSize(LoaderBytes jpeg, int width, int height) {
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<uint8_t>(height);
            jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<uint8_t>(width);
            break;
        }
    }
    return jpeg;
}

LoaderBytes loaderPngStart() {
    return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
}
