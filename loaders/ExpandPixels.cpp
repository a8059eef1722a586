#include <cstring>

#include "loaders/LoaderSupport.h"

void expandPixels(uint32_t* destination, const uint8_t* source, int32_t count) {
    for (int32_t i = 0; i < count; ++i, source += 3) {
        const uint8_t bytes[4] = {source[0], source[1], source[2], 0};
        std::memcpy(destination + i, bytes, 4);
    }
}

bool readPixelsOrBlack(std::FILE* file, uint8_t* buffer, size_t size) {
    const size_t got = std::fread(buffer, 1, size, file);
    if (got == size) return true;
    const size_t whole = got - got % 3;
    std::memset(buffer + whole, 0, size - whole);
    return false;
}
