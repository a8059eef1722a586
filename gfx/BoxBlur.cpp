#include "gfx/BoxBlur.h"

#include <algorithm>
#include <cstring>

#include "gfx/BoxBlurRows.h"
#include "gfx/SimdLevel.h"

BoxBlurScale boxBlurScale(int32_t n) {
    const auto window = static_cast<uint32_t>(boxBlurWindow(n));
    const uint32_t k = 31u - static_cast<uint32_t>(__builtin_clz(window));
    const uint32_t unit = 1u << (k + 8);
    // Rounded to nearest; a tie would need unit / n to end in .5, which only
    // a power of two could give, and for those the division is exact.
    return {(unit + window / 2) / window, k + 8};
}

int32_t boxBlurWindow(int32_t n) {
    return std::clamp(n, 1, 256);
}

// The line buffer holds the middle 512 - n pixels of the row between n black
// pixels on each side, so that the running sum can take one pixel out and one
// in at every step without a test for the ends, and the row can be written
// in place.
void boxBlurRowScalar(uint32_t* row, int32_t n, BoxBlurScale scale) {
    uint32_t line[1024];
    fillPixels(line, 0, n);
    std::memcpy(line + n, row + n / 2, static_cast<size_t>(512 - n) * 4);
    fillPixels(line + 512, 0, n);
    uint32_t sum[4] = {};
    for (int32_t x = 0; x < 512; ++x) {
        uint32_t out = 0;
        for (uint32_t byte = 0; byte < 4; ++byte) {
            const uint32_t value = (sum[byte] * scale.multiplier) >> scale.shift;
            out |= std::min(value, 255u) << (8 * byte);
        }
        row[x] = out;
        for (uint32_t byte = 0; byte < 4; ++byte)
            sum[byte] =
                sum[byte] - ((line[x] >> (8 * byte)) & 0xFF) + ((line[x + n] >> (8 * byte)) & 0xFF);
    }
}

void boxBlurRowsScalar(Bitmap& bitmap, int32_t n) {
    if (bitmap.width != 512 || !bitmap.pixels) return;
    n = boxBlurWindow(n);
    const BoxBlurScale scale = boxBlurScale(n);
    for (int32_t r = 0; r < bitmap.height; ++r)
        boxBlurRowScalar(bitmap.pixels + static_cast<int64_t>(r) * 512, n, scale);
}

namespace {

using BlurRows = void (*)(Bitmap&, int32_t);

BlurRows chooseBlur() {
    const SimdLevel level = simdLevel();
    if (level >= SimdLevel::avx2) return boxBlurRowsAvx2;
    if (level >= SimdLevel::sse2) return boxBlurRowsSse2;
    return boxBlurRowsScalar;
}

} // namespace

void boxBlurRows(Bitmap& bitmap, int32_t n) {
    static const BlurRows blur = chooseBlur();
    blur(bitmap, n);
}
