#include "capture/PngFrames.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <cinttypes>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

struct PngFailure {
    char message[256] = {};
};

extern "C" void onPngError(png_structp png, png_const_charp message) {
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

extern "C" void onPngWarning(png_structp, png_const_charp) {}

// Room for zlib's output between writes to the file.
constexpr size_t compressionBufferBytes = 128 * 1024;

// The libpng part, kept free of C++ objects: its errors jump back here.
// `rgbRow` holds 3 × width bytes.
bool encode(std::FILE* file, const uint32_t* pixels, int32_t width, int32_t height, int32_t pitch,
            png_byte* rgbRow, PngFailure& failure) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, onPngError, onPngWarning);
    if (!png) {
        std::snprintf(failure.message, sizeof failure.message, "libpng could not start");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        if (!info) std::snprintf(failure.message, sizeof failure.message, "out of memory");
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    // Frames are written by the thousand, so speed comes first: on the
    // show's frames the Sub filter with run-length matching compresses at
    // about 1.7 times the speed of level 1 with adaptive filters, and to
    // slightly smaller files (docs/performance.md).
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_buffer_size(png, compressionBufferBytes);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // A pixel lies in memory as blue, green, red, fourth byte; the file
    // takes red, green, blue. The rows are packed here, which is cheaper
    // than libpng's own swapping and stripping.
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* pixel = pixels + static_cast<ptrdiff_t>(y) * pitch;
        for (int32_t x = 0; x < width; ++x) {
            rgbRow[3 * x] = static_cast<png_byte>(pixel[x] >> 16);
            rgbRow[3 * x + 1] = static_cast<png_byte>(pixel[x] >> 8);
            rgbRow[3 * x + 2] = static_cast<png_byte>(pixel[x]);
        }
        png_write_row(png, rgbRow);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writePng(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
              int32_t pitch, std::string& error) {
    if (width <= 0 || height <= 0 || pitch < width) {
        error = "no picture to write to " + path;
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    PngFailure failure;
    std::vector<png_byte> rgbRow(static_cast<size_t>(width) * 3);
    const bool encoded = encode(file, pixels, width, height, pitch, rgbRow.data(), failure);
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    const int savedErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !flushed || !closed) {
        if (!encoded)
            error = "cannot write " + path + ": " + failure.message;
        else
            error = "cannot write " + path + ": " + std::strerror(closed ? savedErrno : errno);
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
