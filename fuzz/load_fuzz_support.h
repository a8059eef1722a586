#pragma once
// Shared by the loader fuzzers: each input is written to a file with the
// ending the reader wants and loaded into a fresh picture, exactly as the show
// loads its pictures.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "gfx/Picture.h"
#include "loaders/ReaderSupport.h"
#include "platform/MessageBox.h"

namespace loadfuzz {
inline std::string& scratchStem() {
    static std::string stem = [] {
        // Nothing the readers do should show or print anything; should a box
        // ever be asked for, it stays quiet rather than flooding the log.
        setMessageBoxesQuiet(true);
        setenv("DEMO_NO_MESSAGE_BOXES", "1", 1);
        // Same code paths, smaller worst case: a 30-byte header may claim
        // 2^26 pixels, which the sanitizers take tens of seconds to fill.
        setPicturePixelLimit(int64_t{1} << 18);
        return "/tmp/load_fuzz_" + std::to_string(getpid()) + "_input";
    }();
    return stem;
}

inline void loadBytes(const uint8_t* data, size_t size, const char* ending) {
    const std::string name = scratchStem() + ending;
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) std::abort();
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
    Picture picture;
    const int32_t result = picture.load(name.c_str());
    if (result < loadFileNotOpened || result > loadImageTooLarge) std::abort();
    if ((result == loadSuccess) != (picture.pixels != nullptr)) std::abort();
    if (picture.pixels) {
        // Touch the first and last pixel so a wrong size shows up in ASan.
        volatile uint32_t sink = picture.pixels[0];
        sink = picture.pixels[static_cast<size_t>(picture.width) * picture.height - 1];
        (void)sink;
    }
    std::remove(name.c_str());
}
} // namespace loadfuzz
