#include "capture/PngFrames.h"

#include <png.h>

#include <cerrno>
#include <cinttypes>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

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

// The libpng part, kept free of C++ objects: its errors jump back here.
bool encode(std::FILE* file, const uint32_t* pixels, int32_t width, int32_t height, int32_t pitch,
            PngFailure& failure) {
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
    // Frames are written by the thousand: fast compression keeps the dump
    // from dominating a capture, at files a little larger.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // A pixel lies in memory as blue, green, red, fourth byte: libpng swaps
    // to RGB and drops the fourth byte itself, so rows go in as they are.
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<ptrdiff_t>(y) * pitch;
        png_write_row(png, reinterpret_cast<png_const_bytep>(row));
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
    const bool encoded = encode(file, pixels, width, height, pitch, failure);
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

std::string PngFrames::pattern() const {
    return inFolder(folder, "frame-*.png");
}

bool PngFrames::write(int64_t frame, const uint32_t* pixels, int32_t width, int32_t height,
                      std::string& error) const {
    return writePng(pathOf(frame), pixels, width, height, width, error);
}
