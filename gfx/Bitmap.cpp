#include "gfx/Bitmap.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>

#include "gfx/Placement.h"
#include "gfx/PixelRules.h"

namespace {

constexpr uint32_t factorOf(int32_t f) { return static_cast<uint32_t>(f) & 0xFFu; }

// Combine one row of n source pixels into n destination pixels.
template <typename Rule>
auto rowWith(Rule rule) {
    return [rule](uint32_t* d, const uint32_t* s, int32_t n) {
        for (int32_t i = 0; i < n; ++i) d[i] = rule(d[i], s[i]);
    };
}

// Combine n samples taken at u, u + step, ... (8.8) from a source row.
template <typename Rule>
auto scaledRowWith(Rule rule) {
    return [rule](uint32_t* d, const uint32_t* s, int32_t n, uint32_t u, uint32_t step) {
        for (int32_t i = 0; i < n; ++i, u += step) d[i] = rule(d[i], s[u >> 8]);
    };
}

const auto copyRule = [](uint32_t, uint32_t s) { return s; };
const auto addRule = [](uint32_t d, uint32_t s) { return pixel::addSaturate(d, s); };
const auto averageRule = [](uint32_t d, uint32_t s) { return pixel::average(d, s); };

void checkPairs([[maybe_unused]] const Bitmap& source) {
    assert(source.width >= 2 && source.width % 2 == 0);
}

} // namespace

void fillPixels(uint32_t* pointer, uint32_t colour, int32_t count) {
    for (int32_t i = 0; i < count; ++i) pointer[i] = colour;
}

void Bitmap::create(int32_t newWidth, int32_t newHeight) {
    width = newWidth;
    height = newHeight;
    // A zeroed spare band lies before and after the pixels, so that blur8's
    // reach of 513 pixels either side only ever reads defined memory.
    const size_t bytes = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight) * 4;
    auto* block = static_cast<uint8_t*>(std::calloc(bytes + 8192, 1));
    if (!block) throw std::bad_alloc();
    pixels = reinterpret_cast<uint32_t*>(block + 4096);
}

void Bitmap::blit(Bitmap& destination) {
    placement::plain(*this, destination, [](uint32_t* d, const uint32_t* s, int32_t n) {
        if (n > 0) std::memmove(d, s, static_cast<size_t>(n) * 4);
    });
}

void Bitmap::blitClipped(Bitmap& destination) {
    placement::clipped(*this, destination, [](uint32_t* d, const uint32_t* s, int32_t n) {
        std::memmove(d, s, static_cast<size_t>(n) * 4);
    });
}

void Bitmap::blitScaled(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaled(*this, destination, scaleX, scaleY, scaledRowWith(copyRule));
}

void Bitmap::blitScaledClipped(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaledClipped(*this, destination, scaleX, scaleY, scaledRowWith(copyRule));
}

void Bitmap::add(Bitmap& destination) {
    checkPairs(*this);
    placement::plain(*this, destination, rowWith(addRule));
}

void Bitmap::addClipped(Bitmap& destination) {
    placement::clipped(*this, destination, rowWith(addRule));
}

void Bitmap::addScaled(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaled(*this, destination, scaleX, scaleY, scaledRowWith(addRule));
}

void Bitmap::addScaledClipped(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaledClipped(*this, destination, scaleX, scaleY, scaledRowWith(addRule));
}

void Bitmap::average(Bitmap& destination) {
    checkPairs(*this);
    placement::plain(*this, destination, rowWith(averageRule));
}

void Bitmap::averageClipped(Bitmap& destination) {
    placement::clipped(*this, destination, rowWith(averageRule));
}

void Bitmap::averageScaled(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaled(*this, destination, scaleX, scaleY, scaledRowWith(averageRule));
}

void Bitmap::averageScaledClipped(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaledClipped(*this, destination, scaleX, scaleY, scaledRowWith(averageRule));
}

namespace {
auto blendRule(int32_t alpha) {
    const uint32_t f = factorOf(alpha);
    return [f](uint32_t d, uint32_t s) { return pixel::blend(d, s, f); };
}
auto addFactorRule(int32_t factor) {
    const uint32_t f = factorOf(factor);
    return [f](uint32_t d, uint32_t s) { return pixel::addFactor(d, s, f); };
}
} // namespace

void Bitmap::blend(Bitmap& destination, int32_t alpha) {
    checkPairs(*this);
    placement::plain(*this, destination, rowWith(blendRule(alpha)));
}

void Bitmap::blendClipped(Bitmap& destination, int32_t alpha) {
    placement::clipped(*this, destination, rowWith(blendRule(alpha)));
}

void Bitmap::blendScaled(Bitmap& destination, float scaleX, float scaleY, int32_t alpha) {
    placement::scaled(*this, destination, scaleX, scaleY, scaledRowWith(blendRule(alpha)));
}

void Bitmap::blendScaledClipped(Bitmap& destination, float scaleX, float scaleY, int32_t alpha) {
    placement::scaledClipped(*this, destination, scaleX, scaleY, scaledRowWith(blendRule(alpha)));
}

void Bitmap::addFactor(Bitmap& destination, int32_t factor) {
    checkPairs(*this);
    placement::plain(*this, destination, rowWith(addFactorRule(factor)));
}

void Bitmap::addFactorScaled(Bitmap& destination, float scaleX, float scaleY, int32_t factor) {
    placement::scaled(*this, destination, scaleX, scaleY, scaledRowWith(addFactorRule(factor)));
}

void Bitmap::addFactorScaledClipped(Bitmap& destination, float scaleX, float scaleY,
                                    int32_t factor) {
    placement::scaledClipped(*this, destination, scaleX, scaleY,
                             scaledRowWith(addFactorRule(factor)));
}

void Bitmap::reserved(Bitmap&, float, float, int32_t) {}

void Bitmap::fill(uint32_t colour) {
    if (!pixels) return;
    fillPixels(pixels, colour, width * height);
}

// brighten and darken work in steps of four pixels: a count that is not a
// multiple of four leaves the last one to three pixels as they were.
void Bitmap::brighten(uint32_t colour) {
    const int32_t n = (width * height) / 4 * 4;
    for (int32_t i = 0; i < n; ++i) pixels[i] = pixel::addSaturate(pixels[i], colour);
}

void Bitmap::darken(uint32_t colour) {
    const int32_t n = (width * height) / 4 * 4;
    for (int32_t i = 0; i < n; ++i) pixels[i] = pixel::subSaturate(pixels[i], colour);
}

void Bitmap::addMapped(const Bitmap& map) {
    const auto* index = reinterpret_cast<const uint8_t*>(map.pixels);
    const int32_t n = width * height;
    for (int32_t i = 0; i < n; ++i) pixels[i] = pixel::addSaturate(pixels[i], map.palette[index[i]]);
}

void Bitmap::subMapped(const Bitmap& map) {
    const auto* index = reinterpret_cast<const uint8_t*>(map.pixels);
    const int32_t n = width * height;
    for (int32_t i = 0; i < n; ++i) pixels[i] = pixel::subSaturate(pixels[i], map.palette[index[i]]);
}

void Bitmap::subMappedAt(const Bitmap& map) {
    assert(map.width >= 1 && map.height >= 1 && map.x >= 0 && map.y >= 0);
    assert(map.x + map.width <= width && map.y + map.height <= height);
    const auto* index = reinterpret_cast<const uint8_t*>(map.pixels);
    for (int32_t r = 0; r < map.height; ++r) {
        uint32_t* row = pixels + static_cast<int64_t>(map.y + r) * width + map.x;
        const uint8_t* mapRow = index + static_cast<int64_t>(r) * map.width;
        for (int32_t c = 0; c < map.width; ++c)
            row[c] = pixel::subSaturate(row[c], map.palette[mapRow[c]]);
    }
}

// One in-place pass with a fixed row stride of 512: each pixel becomes the
// mean of its eight neighbours, of which the four before it already hold their
// new values. Reads 513 pixels before the first and after the last pixel.
void Bitmap::blur8() {
    const int32_t n = width * height;
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
