#include "gfx/Bitmap.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>

#include "gfx/Kernels.h"
#include "gfx/PixelRules.h"
#include "gfx/Placement.h"

namespace {

constexpr uint32_t factorOf(int32_t f) {
    return static_cast<uint32_t>(f) & 0xFFu;
}

using RowKernel = void (*)(uint32_t*, const uint32_t*, int32_t);
using FactorRowKernel = void (*)(uint32_t*, const uint32_t*, int32_t, uint32_t);

// A 1:1 row op from a row kernel of the active set.
auto rowWith(RowKernel kernel) {
    return [kernel](uint32_t* d, const uint32_t* s, int32_t n) { kernel(d, s, n); };
}
auto rowWith(FactorRowKernel kernel, int32_t factor) {
    const uint32_t f = factorOf(factor);
    return [kernel, f](uint32_t* d, const uint32_t* s, int32_t n) { kernel(d, s, n, f); };
}

// True when n samples from u on with a step of one whole source pixel read n
// consecutive source pixels (u does not wrap on the way), so the row is a 1:1 row.
bool isWholePixelRun(uint32_t u, uint32_t step, int32_t n) {
    return step == 256 && static_cast<uint64_t>(u) + static_cast<uint64_t>(n) * 256 <= 1ull << 32;
}

// Combine n samples taken at u, u + step, ... (8.8) from a source row, per
// pixel with the rule; rows sampled at exactly one source pixel per pixel go to
// the 1:1 row op instead (same result, SIMD speed).
template <typename Rule, typename Row> auto scaledRowWith(Rule rule, Row row) {
    return [rule, row](uint32_t* d, const uint32_t* s, int32_t n, uint32_t u, uint32_t step) {
        if (isWholePixelRun(u, step, n)) return row(d, s + (u >> 8), n);
        for (int32_t i = 0; i < n; ++i, u += step) d[i] = rule(d[i], s[u >> 8]);
    };
}

const auto copyRule = [](uint32_t, uint32_t s) { return s; };
const auto addRule = [](uint32_t d, uint32_t s) { return pixel::addSaturate(d, s); };
const auto averageRule = [](uint32_t d, uint32_t s) { return pixel::average(d, s); };
auto blendRule(int32_t alpha) {
    const uint32_t f = factorOf(alpha);
    return [f](uint32_t d, uint32_t s) { return pixel::blend(d, s, f); };
}
auto addFactorRule(int32_t factor) {
    const uint32_t f = factorOf(factor);
    return [f](uint32_t d, uint32_t s) { return pixel::addFactor(d, s, f); };
}

// Whole rows are moved as blocks; memmove keeps a source that overlaps its
// destination well defined.
void copyRow(uint32_t* d, const uint32_t* s, int32_t n) {
    if (n > 0) std::memmove(d, s, static_cast<size_t>(n) * 4);
}

void checkPairs([[maybe_unused]] const Bitmap& source) {
    assert(source.width >= 2 && source.width % 2 == 0);
}

// addMapped and subMapped take their count from the bitmap, which must not be
// empty; the map's bytes themselves cannot be counted here.
void checkMapCovers([[maybe_unused]] const Bitmap& bitmap, [[maybe_unused]] const Bitmap& map) {
    assert(bitmap.width >= 1 && bitmap.height >= 1);
    assert(map.pixels && map.palette);
}

} // namespace

// Colours whose four bytes are equal (black above all: every frame starts by
// clearing the canvas) are a plain byte fill.
void fillPixels(uint32_t* pointer, uint32_t colour, int32_t count) {
    if (count <= 0) return;
    if (colour == (colour & 0xFFu) * 0x01010101u)
        std::memset(pointer, static_cast<int>(colour & 0xFFu), static_cast<size_t>(count) * 4);
    else
        kernels::active().fill(pointer, colour, count);
}

void Bitmap::create(int32_t newWidth, int32_t newHeight) {
    width = newWidth;
    height = newHeight;
    // A zeroed band lies before and after the pixels, so that blur8's reach
    // either side only ever reads defined memory.
    const size_t bytes = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight) * 4;
    auto* block = static_cast<uint8_t*>(std::calloc(bytes + 2 * guardBandBytes, 1));
    if (!block) throw std::bad_alloc();
    pixels = reinterpret_cast<uint32_t*>(block + guardBandBytes);
}

void Bitmap::blit(Bitmap& destination) {
    placement::plain(*this, destination, copyRow);
}

void Bitmap::blitClipped(Bitmap& destination) {
    placement::clipped(*this, destination, copyRow);
}

void Bitmap::blitScaled(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaled(*this, destination, scaleX, scaleY, scaledRowWith(copyRule, copyRow));
}

void Bitmap::blitScaledClipped(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaledClipped(*this, destination, scaleX, scaleY, scaledRowWith(copyRule, copyRow));
}

void Bitmap::add(Bitmap& destination) {
    checkPairs(*this);
    placement::plain(*this, destination, rowWith(kernels::active().add));
}

void Bitmap::addClipped(Bitmap& destination) {
    placement::clipped(*this, destination, rowWith(kernels::active().add));
}

void Bitmap::addScaled(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaled(*this, destination, scaleX, scaleY,
                      scaledRowWith(addRule, rowWith(kernels::active().add)));
}

void Bitmap::addScaledClipped(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaledClipped(*this, destination, scaleX, scaleY,
                             scaledRowWith(addRule, rowWith(kernels::active().add)));
}

void Bitmap::average(Bitmap& destination) {
    checkPairs(*this);
    placement::plain(*this, destination, rowWith(kernels::active().average));
}

void Bitmap::averageClipped(Bitmap& destination) {
    placement::clipped(*this, destination, rowWith(kernels::active().average));
}

void Bitmap::averageScaled(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaled(*this, destination, scaleX, scaleY,
                      scaledRowWith(averageRule, rowWith(kernels::active().average)));
}

void Bitmap::averageScaledClipped(Bitmap& destination, float scaleX, float scaleY) {
    placement::scaledClipped(*this, destination, scaleX, scaleY,
                             scaledRowWith(averageRule, rowWith(kernels::active().average)));
}

void Bitmap::blend(Bitmap& destination, int32_t alpha) {
    checkPairs(*this);
    placement::plain(*this, destination, rowWith(kernels::active().blend, alpha));
}

void Bitmap::blendClipped(Bitmap& destination, int32_t alpha) {
    placement::clipped(*this, destination, rowWith(kernels::active().blend, alpha));
}

void Bitmap::blendScaled(Bitmap& destination, float scaleX, float scaleY, int32_t alpha) {
    placement::scaled(*this, destination, scaleX, scaleY,
                      scaledRowWith(blendRule(alpha), rowWith(kernels::active().blend, alpha)));
}

void Bitmap::blendScaledClipped(Bitmap& destination, float scaleX, float scaleY, int32_t alpha) {
    placement::scaledClipped(
        *this, destination, scaleX, scaleY,
        scaledRowWith(blendRule(alpha), rowWith(kernels::active().blend, alpha)));
}

void Bitmap::addFactor(Bitmap& destination, int32_t factor) {
    checkPairs(*this);
    placement::plain(*this, destination, rowWith(kernels::active().addFactor, factor));
}

void Bitmap::addFactorScaled(Bitmap& destination, float scaleX, float scaleY, int32_t factor) {
    placement::scaled(
        *this, destination, scaleX, scaleY,
        scaledRowWith(addFactorRule(factor), rowWith(kernels::active().addFactor, factor)));
}

void Bitmap::addFactorScaledClipped(Bitmap& destination, float scaleX, float scaleY,
                                    int32_t factor) {
    placement::scaledClipped(
        *this, destination, scaleX, scaleY,
        scaledRowWith(addFactorRule(factor), rowWith(kernels::active().addFactor, factor)));
}

void Bitmap::reserved(Bitmap&, float, float, int32_t) {}

void Bitmap::fill(uint32_t colour) {
    if (!pixels) return;
    fillPixels(pixels, colour, width * height);
}

// brighten and darken work in steps of four pixels: a count that is not a
// multiple of four leaves the last one to three pixels as they were.
void Bitmap::brighten(uint32_t colour) {
    assert(width * height >= 4);
    kernels::active().brighten(pixels, colour, (width * height) / 4 * 4);
}

void Bitmap::darken(uint32_t colour) {
    assert(width * height >= 4);
    kernels::active().darken(pixels, colour, (width * height) / 4 * 4);
}

void Bitmap::addMapped(const Bitmap& map) {
    checkMapCovers(*this, map);
    const auto* index = reinterpret_cast<const uint8_t*>(map.pixels);
    const int32_t n = width * height;
    for (int32_t i = 0; i < n; ++i)
        pixels[i] = pixel::addSaturate(pixels[i], map.palette[index[i]]);
}

void Bitmap::subMapped(const Bitmap& map) {
    checkMapCovers(*this, map);
    const auto* index = reinterpret_cast<const uint8_t*>(map.pixels);
    const int32_t n = width * height;
    for (int32_t i = 0; i < n; ++i)
        pixels[i] = pixel::subSaturate(pixels[i], map.palette[index[i]]);
}

void Bitmap::subMappedAt(const Bitmap& map) {
    assert(map.pixels && map.palette);
    assert(map.width >= 1 && map.height >= 1 && map.x >= 0 && map.y >= 0);
    assert(static_cast<int64_t>(map.x) + map.width <= width &&
           static_cast<int64_t>(map.y) + map.height <= height);
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
    if (width * height > 0) kernels::active().blur8(pixels, width * height);
}
