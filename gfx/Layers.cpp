#include "gfx/Layers.h"

#include <cassert>

#include "gfx/Kernels.h"

namespace {

int64_t pixelCount(const Bitmap& bitmap) {
    return static_cast<int64_t>(bitmap.width) * bitmap.height;
}

// The source lies exactly over the destination: same size, placed at the
// origin, with pixels of its own (a source sharing memory with the
// destination would see the first layer's writes when drawn in turn).
bool coversWhole(const Bitmap& source, const Bitmap& destination) {
    if (source.x != 0 || source.y != 0 || source.width != destination.width ||
        source.height != destination.height || !source.pixels || !destination.pixels)
        return false;
    const int64_t count = pixelCount(destination);
    if (count <= 0 || count > INT32_MAX) return false;
    const auto bytes = static_cast<uintptr_t>(count) * 4;
    const auto s = reinterpret_cast<uintptr_t>(source.pixels);
    const auto d = reinterpret_cast<uintptr_t>(destination.pixels);
    return s + bytes <= d || d + bytes <= s;
}

} // namespace

void clearThenBlend(Bitmap& destination, Bitmap& source, int32_t alpha) {
    if (!coversWhole(source, destination)) {
        destination.fill(0);
        source.blend(destination, alpha);
        return;
    }
    assert(source.width >= 2 && source.width % 2 == 0);
    kernels::active().blendOntoBlack(destination.pixels, source.pixels,
                                     static_cast<int32_t>(pixelCount(destination)),
                                     static_cast<uint32_t>(alpha) & 0xFFu);
}

void clearThenBlendThenAddInTurn(Bitmap& destination, Bitmap& source, int32_t alpha, Bitmap& first,
                                 Bitmap& second) {
    if (!coversWhole(source, destination) || !coversWhole(first, destination) ||
        !coversWhole(second, destination)) {
        clearThenBlend(destination, source, alpha);
        addInTurn(destination, first, second);
        return;
    }
    assert(source.width >= 2 && source.width % 2 == 0);
    kernels::active().blendOntoBlackAddTwo(
        destination.pixels, source.pixels, first.pixels, second.pixels,
        static_cast<int32_t>(pixelCount(destination)), static_cast<uint32_t>(alpha) & 0xFFu);
}

void addInTurn(Bitmap& destination, Bitmap& first, Bitmap& second) {
    if (!coversWhole(first, destination) || !coversWhole(second, destination)) {
        first.add(destination);
        second.add(destination);
        return;
    }
    assert(first.width >= 2 && first.width % 2 == 0);
    kernels::active().addTwo(destination.pixels, first.pixels, second.pixels,
                             static_cast<int32_t>(pixelCount(destination)));
}
