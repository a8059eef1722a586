#include <cassert>
#include <cmath>

#include "gfx/Bitmap.h"
#include "gfx/PixelRules.h"

// Rotated, zoomed, bilinear-filtered texture added into a 512-wide destination.
// Coordinates are 20.12 fixed point and wrap modulo 2^32; the texture wraps by
// masking (power-of-two sizes) and is read with a fixed stride of 512 pixels.
void rotozoom(Bitmap& destination, const Bitmap& texture, float angle, float zoom, float offsetX,
              float offsetY, int32_t brightness) {
    assert(destination.width == 512 && texture.width == 512);
    assert(texture.height > 0 && (texture.height & (texture.height - 1)) == 0);
    const int32_t W = texture.width, H = texture.height;
    const int32_t dw = destination.width, dh = destination.height;
    const double c = std::cos(static_cast<double>(angle)) / static_cast<double>(zoom);
    const float s = static_cast<float>(std::sin(static_cast<double>(angle)) / static_cast<double>(zoom));
    const int32_t du = static_cast<int32_t>(4096.0 * c);
    const int32_t dv = static_cast<int32_t>(4096.0 * static_cast<double>(s));
    const int32_t u0 = static_cast<int32_t>(4096.0 * (W / 2 + static_cast<double>(offsetX) - (dw / 2) * c));
    const int32_t v0 = static_cast<int32_t>(
        4096.0 * (H / 2 + static_cast<double>(offsetY) - (dw / 2) * static_cast<double>(s)));
    const uint32_t maskX = static_cast<uint32_t>(W - 1), maskY = static_cast<uint32_t>(H - 1);
    const uint32_t b = static_cast<uint32_t>(brightness);
    for (int32_t r = 0; r < dh; ++r) {
        const uint32_t k = static_cast<uint32_t>(r - dh / 2);
        uint32_t u = static_cast<uint32_t>(u0) - static_cast<uint32_t>(dv) * k;
        uint32_t v = static_cast<uint32_t>(v0) + static_cast<uint32_t>(du) * k;
        uint32_t* out = destination.pixels + static_cast<int64_t>(r) * 512;
        for (int32_t p = 0; p < 512; ++p) {
            const uint32_t tx = (u >> 12) & maskX, ty = (v >> 12) & maskY;
            const uint32_t fx = u & 4095, fy = v & 4095;
            const uint32_t w00 = ((4096 - fx) * (4096 - fy)) >> 16;
            const uint32_t w10 = (fx * (4096 - fy)) >> 16;
            const uint32_t w01 = ((4096 - fx) * fy) >> 16;
            const uint32_t w11 = (fx * fy) >> 16;
            const uint32_t* t = texture.pixels + ty * 512 + tx;
            uint32_t g = 0;
            for (int byte = 0; byte < 4; ++byte) {
                const uint32_t f = (pixel::byteOf(t[0], byte) * w00 + pixel::byteOf(t[1], byte) * w10 +
                                    pixel::byteOf(t[512], byte) * w01 +
                                    pixel::byteOf(t[513], byte) * w11) >>
                                   8;
                g |= ((f * b) >> 8) << (8 * byte);
            }
            out[p] = pixel::addSaturate(out[p], g);
            u += static_cast<uint32_t>(du);
            v += static_cast<uint32_t>(dv);
        }
    }
}
