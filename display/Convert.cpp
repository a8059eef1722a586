#include "display/Convert.h"

#include <cstddef>

namespace {

size_t pixelCount(const Bitmap& canvas) {
    return static_cast<size_t>(canvas.width) * static_cast<size_t>(canvas.height);
}

// Stores a 16-bit word little-endian whatever the host's byte order.
inline void storeWord(uint8_t* at, uint32_t word) {
    at[0] = static_cast<uint8_t>(word);
    at[1] = static_cast<uint8_t>(word >> 8);
}

} // namespace

void convertTo555(uint8_t* destination, const Bitmap& canvas) {
    const uint32_t* source = canvas.pixels;
    const size_t count = pixelCount(canvas);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = source[i];
        const uint32_t word = ((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F);
        storeWord(destination + 2 * i, word);
    }
}

void convertTo565(uint8_t* destination, const Bitmap& canvas) {
    const uint32_t* source = canvas.pixels;
    const size_t count = pixelCount(canvas);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = source[i];
        const uint32_t word = ((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F);
        storeWord(destination + 2 * i, word);
    }
}

void convertTo24(uint8_t* destination, const Bitmap& canvas) {
    const uint32_t* source = canvas.pixels;
    const size_t count = pixelCount(canvas);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = source[i];
        destination[3 * i] = static_cast<uint8_t>(p);
        destination[3 * i + 1] = static_cast<uint8_t>(p >> 8);
        destination[3 * i + 2] = static_cast<uint8_t>(p >> 16);
    }
}
