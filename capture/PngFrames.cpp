#include "capture/PngFrames.h"

#include <libdeflate.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

// The file is put together here rather than by libpng: its rows are
// filtered with Sub and compressed in one call to libdeflate at level 1,
// which on the show's frames is about four times as fast as libpng with
// zlib at level 1 and gives files a little smaller (docs/performance.md).
constexpr int compressionLevel = 1;
constexpr uint8_t subFilter = 1;

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const {
        libdeflate_free_compressor(compressor);
    }
};

// Each thread that writes frames keeps its compressor and buffers, so a
// frame costs no fresh memory.
struct EncodeBuffers {
    std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor{
        libdeflate_alloc_compressor(compressionLevel)};
    std::vector<uint8_t> filtered;
    std::vector<uint8_t> compressed;
};

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// One chunk: length, type, data, CRC of type and data.
void putChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t size) {
    putBigEndian(out, static_cast<uint32_t>(size));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    putBigEndian(out, libdeflate_crc32(0, out.data() + typeAt, size + 4));
}

// The whole PNG file of an 8-bit RGB picture, in `file`; false when the
// compressor cannot be had.
bool encodePng(const uint32_t* pixels, int32_t width, int32_t height, int32_t pitch,
               std::vector<uint8_t>& file) {
    thread_local EncodeBuffers buffers;
    if (!buffers.compressor) return false;
    // A pixel lies in memory as blue, green, red, fourth byte; the file takes
    // red, green, blue, each row behind its filter byte, each byte less the
    // same channel of the pixel before it.
    const size_t rowBytes = 1 + static_cast<size_t>(width) * 3;
    buffers.filtered.resize(rowBytes * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* pixel = pixels + static_cast<ptrdiff_t>(y) * pitch;
        uint8_t* out = buffers.filtered.data() + rowBytes * static_cast<size_t>(y);
        *out++ = subFilter;
        uint32_t previous = 0;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t value = pixel[x];
            *out++ = static_cast<uint8_t>((value >> 16) - (previous >> 16));
            *out++ = static_cast<uint8_t>((value >> 8) - (previous >> 8));
            *out++ = static_cast<uint8_t>(value - previous);
            previous = value;
        }
    }
    buffers.compressed.resize(
        libdeflate_zlib_compress_bound(buffers.compressor.get(), buffers.filtered.size()));
    const size_t compressedSize = libdeflate_zlib_compress(
        buffers.compressor.get(), buffers.filtered.data(), buffers.filtered.size(),
        buffers.compressed.data(), buffers.compressed.size());
    if (compressedSize == 0) return false;

    static constexpr uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.assign(signature, signature + 8);
    std::vector<uint8_t> header;
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header, static_cast<uint32_t>(height));
    // 8 bits a channel, RGB, deflate, adaptive filters, not interlaced.
    header.insert(header.end(), {8, 2, 0, 0, 0});
    putChunk(file, "IHDR", header.data(), header.size());
    putChunk(file, "IDAT", buffers.compressed.data(), compressedSize);
    putChunk(file, "IEND", nullptr, 0);
    return true;
}

} // namespace

bool writePng(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
              int32_t pitch, std::string& error) {
    if (width <= 0 || height <= 0 || pitch < width || width > maxPngSide || height > maxPngSide) {
        error = "no picture to write to " + path;
        return false;
    }
    thread_local std::vector<uint8_t> bytes;
    if (!encodePng(pixels, width, height, pitch, bytes)) {
        error = "cannot write " + path + ": the compressor could not start";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                         std::fflush(file) == 0 && !std::ferror(file);
    const int savedErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = "cannot write " + path + ": " + std::strerror(written ? errno : savedErrno);
        // A half-written frame is not left to pass for a whole one (only
        // a plain file is removed: the path may name a device).
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
        return false;
    }
    return true;
}

std::string PngFrames::checkFolder(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(path, ec)) {
        if (!fs::is_directory(path, ec)) return path + " is not a folder";
        return {};
    }
    // The folder is to be made: whatever of its path exists must be folders.
    for (fs::path above = fs::path(path).parent_path(); !above.empty();
         above = above.parent_path()) {
        if (fs::exists(above, ec)) {
            if (!fs::is_directory(above, ec))
                return "cannot make the folder " + path + ": " + above.string() +
                       " is not a folder";
            break;
        }
        if (above == above.root_path()) break;
    }
    return {};
}

bool PngFrames::open(const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(path, ec)) fs::create_directories(path, ec);
    if (ec) {
        error = "cannot make the folder " + path + ": " + ec.message();
        return false;
    }
    if (!fs::is_directory(path, ec)) {
        error = path + " is not a folder";
        return false;
    }
    folder = path;
    return true;
}

namespace {
std::string inFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}
} // namespace

std::string PngFrames::pathOf(int64_t frame) const {
    char name[40];
    std::snprintf(name, sizeof name, "frame-%06" PRId64 ".png", frame);
    return inFolder(folder, name);
}

namespace {
// frame-NNNNNN.png with six digits or more, as pathOf names them.
bool isFrameName(const std::string& name) {
    constexpr std::string_view head = "frame-", tail = ".png";
    if (name.size() < head.size() + 6 + tail.size() || !name.starts_with(head) ||
        !name.ends_with(tail))
        return false;
    for (size_t i = head.size(); i < name.size() - tail.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}
} // namespace

int64_t PngFrames::removeOldFrames() const {
    namespace fs = std::filesystem;
    std::error_code ec;
    int64_t removed = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || it->is_symlink(typeError)) continue;
        if (!isFrameName(it->path().filename().string())) continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError)) ++removed;
    }
    return removed;
}

std::string PngFrames::pattern() const {
    return inFolder(folder, "frame-*.png");
}

bool PngFrames::write(int64_t frame, const uint32_t* pixels, int32_t width, int32_t height,
                      std::string& error) const {
    return writePng(pathOf(frame), pixels, width, height, width, error);
}
