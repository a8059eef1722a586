#include <cassert>
#include <cmath>

#include "gfx/Bitmap.h"
#include "gfx/Kernels.h"

namespace {

// Truncates toward zero into a 32-bit two's complement coordinate. Values past
// the 32-bit range wrap modulo 2^32, as the coordinates themselves do.
uint32_t toFixed(double value) {
    const double wrapped = std::fmod(std::trunc(value), 4294967296.0);
    return static_cast<uint32_t>(static_cast<int64_t>(wrapped));
}

// Whether the destination's pixels meet the texture's readable rows (its rows
// and the one after the last).
[[maybe_unused]] bool overlaps(const Bitmap& destination, const Bitmap& texture) {
    const auto address = [](const uint32_t* p) { return reinterpret_cast<uintptr_t>(p); };
    const uintptr_t to = address(destination.pixels);
    const uintptr_t toEnd = to + static_cast<uintptr_t>(destination.height) * 512 * 4;
    const uintptr_t from = address(texture.pixels);
    const uintptr_t fromEnd = from + static_cast<uintptr_t>(texture.height + 1) * 512 * 4;
    return to < fromEnd && from < toEnd;
}

} // namespace

// Rotated, zoomed, bilinear-filtered texture added into a 512-wide destination.
// Coordinates are 20.12 fixed point and wrap modulo 2^32; the texture wraps by
// masking (power-of-two sizes) and is read with a fixed stride of 512 pixels.
// The rows themselves are drawn by the active kernel set.
void rotozoom(Bitmap& destination, const Bitmap& texture, float angle, float zoom, float offsetX,
              float offsetY, int32_t brightness) {
    assert(destination.width == 512 && texture.width == 512);
    assert(texture.height > 0 && (texture.height & (texture.height - 1)) == 0);
    assert(brightness >= 0 && brightness <= 255);
    // Rows are drawn a block of pixels at a time, and rows without rotation
    // share texels fetched before any of them is written: a destination
    // inside the texture would read pixels half drawn.
    assert(!overlaps(destination, texture));
    const int32_t W = texture.width, H = texture.height;
    const int32_t dw = destination.width, dh = destination.height;
    const double c = std::cos(static_cast<double>(angle)) / static_cast<double>(zoom);
    const double s =
        static_cast<float>(std::sin(static_cast<double>(angle)) / static_cast<double>(zoom));
    const double du = 4096.0 * c, dv = 4096.0 * s;
    const double u0 = 4096.0 * (W / 2 + static_cast<double>(offsetX) - (dw / 2) * c);
    const double v0 = 4096.0 * (H / 2 + static_cast<double>(offsetY) - (dw / 2) * s);
    // A zoom of 0 or NaN, or an infinite angle or offset, leaves no texture
    // position to sample: nothing is drawn.
    if (!std::isfinite(du) || !std::isfinite(dv) || !std::isfinite(u0) || !std::isfinite(v0))
        return;
    if (brightness == 0) return; // adds zero everywhere
    kernels::RotozoomRow row;
    row.du = toFixed(du);
    row.dv = toFixed(dv);
    const uint32_t startU = toFixed(u0), startV = toFixed(v0);
    row.maskX = static_cast<uint32_t>(W - 1);
    row.maskY = static_cast<uint32_t>(H - 1);
    row.brightness = static_cast<uint32_t>(brightness);
    row.count = 512;
    const kernels::RowKernels& k = kernels::active();
    if (row.dv == 0) {
        // Without rotation every row starts at the same u and reads two
        // texture rows only: the rows are drawn together, from the top one
        // (v = startV - du × dh/2, then du further each row).
        row.u = startU;
        row.v = startV - row.du * static_cast<uint32_t>(dh / 2);
        k.zoomRows(destination.pixels, texture.pixels, row, row.du, dh);
        return;
    }
    for (int32_t r = 0; r < dh; ++r) {
        const uint32_t fromCentre = static_cast<uint32_t>(r - dh / 2);
        row.u = startU - row.dv * fromCentre;
        row.v = startV + row.du * fromCentre;
        k.rotozoomRow(destination.pixels + static_cast<int64_t>(r) * 512, texture.pixels, row);
    }
}
