#pragma once
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>

#include "gfx/Bitmap.h"

// Where a source lands in a destination, for the four placements of the blit
// family. Each function computes the geometry once and hands rows to `rowOp`,
// so every combine rule shares the same placement.
namespace placement {

// Drawn size and 8.8 steps of a scaled member. `valid` is false for factors
// that are zero, negative, NaN, or so small that the drawn size overflows.
struct ScaledGeometry {
    bool valid = false;
    int32_t drawnWidth = 0, drawnHeight = 0;
    uint32_t stepX = 0, stepY = 0;
};

inline ScaledGeometry scaledGeometry(const Bitmap& source, float scaleX, float scaleY) {
    ScaledGeometry g;
    const double sx = scaleX, sy = scaleY;
    if (!(sx > 0.0) || !(sy > 0.0)) return g; // also rejects NaN
    const double dw = std::trunc(static_cast<double>(source.width) / sx);
    const double dh = std::trunc(static_cast<double>(source.height) / sy);
    // A drawn size must fit a 32-bit integer; all placement arithmetic is 64-bit.
    const double limit = std::numeric_limits<int32_t>::max();
    if (!(dw <= limit) || !(dh <= limit)) return g;
    const double stepX = std::trunc(sx * 256.0), stepY = std::trunc(sy * 256.0);
    if (stepX > 4294967295.0 || stepY > 4294967295.0) return g;
    g.drawnWidth = static_cast<int32_t>(dw);
    g.drawnHeight = static_cast<int32_t>(dh);
    g.stepX = static_cast<uint32_t>(stepX);
    g.stepY = static_cast<uint32_t>(stepY);
    g.valid = true;
    return g;
}

// When the rows to draw lie back to back in both bitmaps (each row as long as
// both bitmaps' rows) and the two blocks do not overlap, they can go to the
// row op as one long row: the same pixels in the same order, in one call.
inline bool oneBlock(const uint32_t* d, const uint32_t* s, int64_t count, int64_t sourceAdvance,
                     int64_t destinationAdvance, int64_t rows) {
    if (count != sourceAdvance || count != destinationAdvance) return false;
    const int64_t total = count * rows;
    if (total > std::numeric_limits<int32_t>::max()) return false;
    const auto dBegin = reinterpret_cast<uintptr_t>(d), sBegin = reinterpret_cast<uintptr_t>(s);
    const auto bytes = static_cast<uintptr_t>(total) * 4;
    return dBegin + bytes <= sBegin || sBegin + bytes <= dBegin;
}

// The same for a scaled drawing sampled at whole source pixels from the start
// of each source row: consecutive visible rows then read consecutive source
// rows. The samples of the one long row must not wrap u or v (2^24 pixels).
inline bool oneScaledBlock(const uint32_t* d, const uint32_t* s, const ScaledGeometry& g,
                           uint32_t uStart, uint32_t vStart, int64_t count, int64_t sourceWidth,
                           int64_t destinationWidth, int64_t rows) {
    constexpr int64_t limit = int64_t{1} << 24;
    return g.stepX == 256 && g.stepY == 256 && uStart == 0 && count * rows <= limit &&
           (vStart >> 8) + rows <= limit &&
           oneBlock(d, s, count, sourceWidth, destinationWidth, rows);
}

// Plain: source row r goes to destination row y + r from column x. rowOp gets
// (destination row start, source row start, pixel count).
template <typename RowOp> void plain(const Bitmap& source, Bitmap& destination, RowOp rowOp) {
    assert(source.x >= 0 && source.y >= 0 && source.height >= 1);
    assert(static_cast<int64_t>(source.x) + source.width <= destination.width);
    assert(static_cast<int64_t>(source.y) + source.height <= destination.height);
    const uint32_t* s = source.pixels;
    uint32_t* d =
        destination.pixels + static_cast<int64_t>(source.y) * destination.width + source.x;
    if (oneBlock(d, s, source.width, source.width, destination.width, source.height))
        return rowOp(d, s, source.width * source.height);
    for (int32_t r = 0; r < source.height; ++r) {
        rowOp(d, s, source.width);
        s += source.width;
        d += destination.width;
    }
}

// Clipped 1:1: only the intersection with the destination is drawn.
template <typename RowOp> void clipped(const Bitmap& source, Bitmap& destination, RowOp rowOp) {
    const int64_t w = source.width, h = source.height;
    const int64_t W = destination.width, H = destination.height;
    const int64_t x = source.x, y = source.y;
    const int64_t right = x + w - W > 0 ? x + w - W : 0;
    const int64_t left = x < 0 ? -x : 0;
    const int64_t visibleWidth = w - left - right;
    if (visibleWidth <= 0) return;
    const int64_t bottom = y + h - H > 0 ? y + h - H : 0;
    const int64_t top = y < 0 ? -y : 0;
    const int64_t visibleHeight = h - top - bottom;
    if (visibleHeight <= 0) return;
    const uint32_t* s = source.pixels + top * w + left;
    uint32_t* d = destination.pixels + (y + top) * W + (x + left);
    if (oneBlock(d, s, visibleWidth, w, W, visibleHeight))
        return rowOp(d, s, static_cast<int32_t>(visibleWidth * visibleHeight));
    for (int64_t r = 0; r < visibleHeight; ++r) {
        rowOp(d, s, static_cast<int32_t>(visibleWidth));
        s += w;
        d += W;
    }
}

// Scaled (nearest neighbour, 8.8 steps), centred on (x, y). rowOp gets
// (destination row start, source row start, pixel count, first u, stepX).
template <typename ScaledRowOp>
void scaled(const Bitmap& source, Bitmap& destination, float scaleX, float scaleY,
            ScaledRowOp rowOp) {
    const ScaledGeometry g = scaledGeometry(source, scaleX, scaleY);
    assert(g.valid && g.drawnWidth >= 1 && g.drawnHeight >= 1);
    if (!g.valid) return;
    const int64_t left = source.x - (g.drawnWidth >> 1);
    const int64_t top = source.y - (g.drawnHeight >> 1);
    assert(left >= 0 && top >= 0);
    assert(left + g.drawnWidth <= destination.width && top + g.drawnHeight <= destination.height);
    uint32_t* d = destination.pixels + top * destination.width + left;
    if (oneScaledBlock(d, source.pixels, g, 0, 0, g.drawnWidth, source.width, destination.width,
                       g.drawnHeight))
        return rowOp(d, source.pixels, g.drawnWidth * g.drawnHeight, 0u, g.stepX);
    uint32_t v = 0;
    for (int32_t j = 0; j < g.drawnHeight; ++j) {
        rowOp(d, source.pixels + static_cast<int64_t>(v >> 8) * source.width, g.drawnWidth, 0u,
              g.stepX);
        v += g.stepY;
        d += destination.width;
    }
}

template <typename ScaledRowOp>
void scaledClipped(const Bitmap& source, Bitmap& destination, float scaleX, float scaleY,
                   ScaledRowOp rowOp) {
    const ScaledGeometry g = scaledGeometry(source, scaleX, scaleY);
    if (!g.valid) return;
    const int64_t W = destination.width, H = destination.height;
    int64_t left = static_cast<int64_t>(source.x) - (g.drawnWidth >> 1);
    int64_t top = static_cast<int64_t>(source.y) - (g.drawnHeight >> 1);
    int64_t visibleWidth = g.drawnWidth;
    uint32_t uStart = 0;
    if (left + g.drawnWidth > W) visibleWidth = W - left;
    if (left < 0) {
        visibleWidth += left;
        uStart = static_cast<uint32_t>(-left) * g.stepX;
        left = 0;
    }
    if (visibleWidth <= 0) return;
    int64_t visibleHeight = g.drawnHeight;
    uint32_t v = 0;
    if (top + g.drawnHeight > H) visibleHeight = H - top;
    if (top < 0) {
        visibleHeight += top;
        v = static_cast<uint32_t>(-top) * g.stepY;
        top = 0;
    }
    if (visibleHeight <= 0) return;
    uint32_t* d = destination.pixels + top * W + left;
    const uint32_t* firstRow = source.pixels + static_cast<int64_t>(v >> 8) * source.width;
    if (oneScaledBlock(d, firstRow, g, uStart, v, visibleWidth, source.width, W, visibleHeight))
        return rowOp(d, firstRow, static_cast<int32_t>(visibleWidth * visibleHeight), uStart,
                     g.stepX);
    for (int64_t k = 0; k < visibleHeight; ++k) {
        rowOp(d, source.pixels + static_cast<int64_t>(v >> 8) * source.width,
              static_cast<int32_t>(visibleWidth), uStart, g.stepX);
        v += g.stepY;
        d += W;
    }
}

} // namespace placement
