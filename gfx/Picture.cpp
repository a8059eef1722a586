#include "gfx/Picture.h"

#include <cstdlib>
#include <cstring>
#include <new>

// The pixel block is [guard | pixels | guard], both guards 4096 bytes. The
// block is zeroed when it is made, so nothing that reads past the pixels
// (blur8, the rotozoom's lower neighbours) ever sees undefined memory. Once a
// reader has filled it, loading calls mirrorFirstRowsIntoGuard, which copies the first rows after
// the last one: the rotozoom's lower neighbours of the last row wrap to the top.
// The guard before the pixels stays zero.
void Picture::createGuarded(int32_t newWidth, int32_t newHeight) {
    releasePixels();
    width = newWidth;
    height = newHeight;
    const size_t bytes = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight) * 4;
    auto* block = static_cast<uint8_t*>(std::calloc(bytes + 2 * guardBytes, 1));
    if (!block) throw std::bad_alloc();
    pixels = reinterpret_cast<uint32_t*>(block + guardBytes);
}

void Picture::mirrorFirstRowsIntoGuard() {
    if (!pixels) return;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t guardPixels = guardBytes / 4;
    std::memcpy(pixels + count, pixels, (count < guardPixels ? count : guardPixels) * 4);
}

void Picture::releasePixels() {
    if (pixels) std::free(reinterpret_cast<uint8_t*>(pixels) - guardBytes);
    pixels = nullptr;
}

Picture::~Picture() {
    releasePixels();
}
