#pragma once
#include <cstdint>

#include "gfx/Kernels.h"

// Pieces every kernel set repeats, for the kernel files only. Internal
// linkage (as capture/Yuv420Rows.h): each file, whatever instruction set it
// is built for, gets its own copy, so no wider build can stand in for a
// narrower one at link time.
namespace kernels {
namespace {

// The part of a rotozoom row from pixel `done` on, for the narrower kernel
// that finishes the row.
inline RotozoomRow restOfRow(const RotozoomRow& row, int32_t done) {
    RotozoomRow rest = row;
    rest.u = row.u + static_cast<uint32_t>(done) * row.du;
    rest.v = row.v + static_cast<uint32_t>(done) * row.dv;
    rest.count = row.count - done;
    return rest;
}

// zoomRows for a set without a shared-texel path: the rows one by one.
inline void zoomRowsOneByOne(void (*zoomRow)(uint32_t*, const uint32_t*, const RotozoomRow&),
                             uint32_t* out, const uint32_t* texture, const RotozoomRow& first,
                             uint32_t stepV, int32_t rows) {
    RotozoomRow row = first;
    for (int32_t r = 0; r < rows; ++r, row.v += stepV) zoomRow(out + r * 512, texture, row);
}

// Whether the zoom rows' contiguous fetch can serve a row: no vertical step,
// and a horizontal step of at most one texel, so that `lanes` pixels from
// texel x on read texels x .. x + lanes only.
inline bool zoomFetchFits(const RotozoomRow& row) {
    return row.dv == 0 && row.du <= 4096;
}

// Whether the block of `lanes` pixels whose first texel column is tx0 stays
// inside the texture row (no wrap, and its right neighbours too).
inline bool zoomBlockFits(uint32_t tx0, uint32_t maskX, uint32_t lanes) {
    return tx0 + lanes <= maskX;
}

// The eight-neighbour blur's sums of the seven neighbours other than the left
// one, per byte, for pixels [from, to) of p: the last pixels of a block that
// do not fill a register.
inline void sevenNeighbourSums(const uint32_t* p, int32_t from, int32_t to, uint16_t* partial) {
    static constexpr int32_t offsets[7] = {-513, -512, -511, 1, 511, 512, 513};
    for (int32_t j = from; j < to; ++j)
        for (int k = 0; k < 4; ++k) {
            uint32_t sum = 0;
            for (int32_t o : offsets) sum += (p[j + o] >> (8 * k)) & 0xFFu;
            partial[j * 4 + k] = static_cast<uint16_t>(sum);
        }
}

} // namespace
} // namespace kernels
