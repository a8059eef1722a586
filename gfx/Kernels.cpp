#include "gfx/Kernels.h"

#include "gfx/PixelRules.h"

// The scalar reference kernels: one pixel at a time, straight from the rules.
namespace kernels {
namespace {

void addRow(uint32_t* d, const uint32_t* s, int32_t n) {
    for (int32_t i = 0; i < n; ++i) d[i] = pixel::addSaturate(d[i], s[i]);
}

void averageRow(uint32_t* d, const uint32_t* s, int32_t n) {
    for (int32_t i = 0; i < n; ++i) d[i] = pixel::average(d[i], s[i]);
}

void blendRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha) {
    for (int32_t i = 0; i < n; ++i) d[i] = pixel::blend(d[i], s[i], alpha);
}

void addFactorRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t factor) {
    for (int32_t i = 0; i < n; ++i) d[i] = pixel::addFactor(d[i], s[i], factor);
}

void blendOntoBlackRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha) {
    for (int32_t i = 0; i < n; ++i) d[i] = pixel::blend(0, s[i], alpha);
}

void addTwoRow(uint32_t* d, const uint32_t* a, const uint32_t* b, int32_t n) {
    for (int32_t i = 0; i < n; ++i) d[i] = pixel::addSaturate(pixel::addSaturate(d[i], a[i]), b[i]);
}

void blendOntoBlackAddTwoRow(uint32_t* d, const uint32_t* s, const uint32_t* a, const uint32_t* b,
                             int32_t n, uint32_t alpha) {
    for (int32_t i = 0; i < n; ++i)
        d[i] = pixel::addSaturate(pixel::addSaturate(pixel::blend(0, s[i], alpha), a[i]), b[i]);
}

void fillRow(uint32_t* d, uint32_t colour, int32_t n) {
    for (int32_t i = 0; i < n; ++i) d[i] = colour;
}

void brightenRow(uint32_t* d, uint32_t colour, int32_t n) {
    for (int32_t i = 0; i < n; ++i) d[i] = pixel::addSaturate(d[i], colour);
}

void darkenRow(uint32_t* d, uint32_t colour, int32_t n) {
    for (int32_t i = 0; i < n; ++i) d[i] = pixel::subSaturate(d[i], colour);
}

void rotozoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row) {
    uint32_t u = row.u, v = row.v;
    for (int32_t p = 0; p < row.count; ++p, u += row.du, v += row.dv) {
        const uint32_t tx = (u >> 12) & row.maskX, ty = (v >> 12) & row.maskY;
        const uint32_t fx = u & 4095, fy = v & 4095;
        const uint32_t w00 = ((4096 - fx) * (4096 - fy)) >> 16;
        const uint32_t w10 = (fx * (4096 - fy)) >> 16;
        const uint32_t w01 = ((4096 - fx) * fy) >> 16;
        const uint32_t w11 = (fx * fy) >> 16;
        const uint32_t* t = texture + ty * 512 + tx;
        uint32_t g = 0;
        for (int k = 0; k < 4; ++k) {
            const uint32_t f = (pixel::byteOf(t[0], k) * w00 + pixel::byteOf(t[1], k) * w10 +
                                pixel::byteOf(t[512], k) * w01 + pixel::byteOf(t[513], k) * w11) >>
                               8;
            g |= ((f * row.brightness) >> 8) << (8 * k);
        }
        out[p] = pixel::addSaturate(out[p], g);
    }
}

void zoomRows(uint32_t* out, const uint32_t* texture, const RotozoomRow& first, uint32_t stepV,
              int32_t rows) {
    RotozoomRow row = first;
    for (int32_t r = 0; r < rows; ++r, row.v += stepV) rotozoomRow(out + r * 512, texture, row);
}

// In place and in ascending order, so the four neighbours before a pixel
// already hold their new values when it is computed.
void blur8(uint32_t* pixels, int32_t n) {
    static constexpr int32_t offsets[8] = {-513, -512, -511, -1, 1, 511, 512, 513};
    for (int32_t i = 0; i < n; ++i) {
        uint32_t result = 0;
        for (int k = 0; k < 4; ++k) {
            uint32_t sum = 0;
            for (int32_t o : offsets) sum += pixel::byteOf(pixels[i + o], k);
            result |= (sum >> 3) << (8 * k);
        }
        pixels[i] = result;
    }
}

constexpr RowKernels scalarSet{.name = "scalar",
                               .add = addRow,
                               .average = averageRow,
                               .blend = blendRow,
                               .addFactor = addFactorRow,
                               .blendOntoBlack = blendOntoBlackRow,
                               .addTwo = addTwoRow,
                               .blendOntoBlackAddTwo = blendOntoBlackAddTwoRow,
                               .fill = fillRow,
                               .brighten = brightenRow,
                               .darken = darkenRow,
                               .rotozoomRow = rotozoomRow,
                               .zoomRow = rotozoomRow,
                               .zoomRows = zoomRows,
                               .blur8 = blur8};

} // namespace

const RowKernels& scalarKernels() {
    return scalarSet;
}

} // namespace kernels
