#if defined(__x86_64__)
#include <immintrin.h>

#include "gfx/KernelRows.h"
#include "gfx/KernelSets.h"

// Rows without rotation, drawn together with AVX2 (built with -mavx2, called
// after a run-time check; like Kernels_avx2.cpp it shares no inline code with
// other files). Without a vertical step every row starts at the same u, so the
// texel columns and horizontal fractions of its pixels are the same in every
// row and are worked out once. Consecutive rows whose top texel row is the
// same (about `zoom` of them) read the same four texels per pixel: each block
// of eight pixels fetches them once, splits them into 16-bit lanes, and weights
// them for every row of the run with that row's own vertical fraction. The
// weights still come from both fractions per pixel and row, as the rule has
// them; only the fetch is shared, so the bits are the rotozoom row's.
namespace kernels::detail {
namespace {

constexpr int32_t widestRow = 512;
constexpr int32_t blockPixels = 8;
constexpr int32_t maxBlocks = widestRow / blockPixels;

inline __m256i load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
inline void store(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

// What each block of eight pixels reads, the same in every row.
struct ColumnPlan {
    __m256i column;   // each pixel's texel column
    __m256i distance; // column - firstColumn, for the contiguous fetch
    __m256i gx, fx;   // 4096 - fraction and fraction, in both 16-bit halves
    uint32_t firstColumn;
    bool contiguous; // the block's texels (and right neighbours) lie in one run
};

void planColumns(const RotozoomRow& row, int32_t blocks, ColumnPlan* plan) {
    const bool stepFits = zoomFetchFits(row);
    const __m256i du = _mm256_set1_epi32(static_cast<int32_t>(row.du));
    const __m256i maskX = _mm256_set1_epi32(static_cast<int32_t>(row.maskX));
    const __m256i fraction = _mm256_set1_epi32(4095);
    const __m256i one = _mm256_set1_epi16(4096);
    __m256i u = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(row.u)),
                                 _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), du));
    const __m256i stepU = _mm256_set1_epi32(static_cast<int32_t>(row.du * blockPixels));
    uint32_t firstU = row.u;
    for (int32_t b = 0; b < blocks; ++b) {
        ColumnPlan& block = plan[b];
        block.firstColumn = (firstU >> 12) & row.maskX;
        block.contiguous = stepFits && zoomBlockFits(block.firstColumn, row.maskX, blockPixels);
        block.column = _mm256_and_si256(_mm256_srli_epi32(u, 12), maskX);
        block.distance = _mm256_sub_epi32(
            block.column, _mm256_set1_epi32(static_cast<int32_t>(block.firstColumn)));
        const __m256i f = _mm256_and_si256(u, fraction);
        block.fx = _mm256_or_si256(f, _mm256_slli_epi32(f, 16));
        block.gx = _mm256_sub_epi16(one, block.fx);
        u = _mm256_add_epi32(u, stepU);
        firstU += row.du * blockPixels;
    }
}

// The vertical fraction of one destination row, and 4096 minus it, in every
// 16-bit lane.
struct RowFraction {
    __m256i fy, gy;
};

// Rows that read the same two texture rows (from `top` on), `rows` of them at
// `out` and 512 pixels apart: each block's texels are fetched and split into
// 16-bit lanes once, then weighted for every row in turn. The arithmetic is the
// rotozoom row's (Kernels_avx2.cpp).
void drawSharedRows(uint32_t* out, const uint32_t* top, const ColumnPlan* plan, int32_t blocks,
                    const RowFraction* fraction, int32_t rows, uint32_t brightness) {
    const uint32_t* bottom = top + 512;
    const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF);
    const __m256i highBytes = _mm256_set1_epi32(static_cast<int32_t>(0xFF00FF00u));
    const __m256i bright = _mm256_set1_epi16(static_cast<int16_t>(brightness));
    for (int32_t b = 0; b < blocks; ++b) {
        const ColumnPlan& block = plan[b];
        __m256i t[4];
        if (block.contiguous) {
            // The block's texels lie among nine neighbours: two loads per
            // texture row, each pixel picking its own by its distance.
            const uint32_t x = block.firstColumn;
            t[0] = _mm256_permutevar8x32_epi32(load(top + x), block.distance);
            t[1] = _mm256_permutevar8x32_epi32(load(top + x + 1), block.distance);
            t[2] = _mm256_permutevar8x32_epi32(load(bottom + x), block.distance);
            t[3] = _mm256_permutevar8x32_epi32(load(bottom + x + 1), block.distance);
        } else {
            // Wrapping round the right edge, or steps past one texel.
            auto gather = [&block](const uint32_t* from) {
                return _mm256_i32gather_epi32(reinterpret_cast<const int*>(from), block.column, 4);
            };
            t[0] = gather(top);
            t[1] = gather(top + 1);
            t[2] = gather(bottom);
            t[3] = gather(bottom + 1);
        }
        __m256i blueRedTexels[4], greenFourthTexels[4];
        for (int k = 0; k < 4; ++k) {
            blueRedTexels[k] = _mm256_and_si256(t[k], lowBytes);
            greenFourthTexels[k] = _mm256_srli_epi16(t[k], 8);
        }
        for (int32_t r = 0; r < rows; ++r) {
            const __m256i gy = fraction[r].gy, fy = fraction[r].fy;
            const __m256i w[4] = {
                _mm256_mulhi_epu16(block.gx, gy), _mm256_mulhi_epu16(block.fx, gy),
                _mm256_mulhi_epu16(block.gx, fy), _mm256_mulhi_epu16(block.fx, fy)};
            __m256i blueRed = _mm256_mullo_epi16(blueRedTexels[0], w[0]);
            __m256i greenFourth = _mm256_mullo_epi16(greenFourthTexels[0], w[0]);
            for (int k = 1; k < 4; ++k) {
                blueRed = _mm256_add_epi16(blueRed, _mm256_mullo_epi16(blueRedTexels[k], w[k]));
                greenFourth =
                    _mm256_add_epi16(greenFourth, _mm256_mullo_epi16(greenFourthTexels[k], w[k]));
            }
            // ⌊⌊sum / 256⌋ × b / 256⌋ is the high half of (sum AND 0xFF00) × b;
            // the green and fourth bytes take the high byte of ⌊sum / 256⌋ × b.
            const __m256i scaledBlueRed =
                _mm256_mulhi_epu16(_mm256_and_si256(blueRed, highBytes), bright);
            const __m256i scaledGreenFourth =
                _mm256_mullo_epi16(_mm256_srli_epi16(greenFourth, 8), bright);
            const __m256i g = _mm256_blendv_epi8(scaledBlueRed, scaledGreenFourth, highBytes);
            uint32_t* to = out + r * 512 + b * blockPixels;
            store(to, _mm256_adds_epu8(load(to), g));
        }
    }
}

} // namespace

void avx2ZoomRows(uint32_t* out, const uint32_t* texture, const RotozoomRow& first, uint32_t stepV,
                  int32_t rows) {
    if (first.dv != 0 || first.count > widestRow) {
        RotozoomRow row = first;
        for (int32_t r = 0; r < rows; ++r, row.v += stepV) avx2ZoomRow(out + r * 512, texture, row);
        return;
    }
    const int32_t blocks = first.count / blockPixels;
    const int32_t done = blocks * blockPixels;
    alignas(32) ColumnPlan plan[maxBlocks];
    planColumns(first, blocks, plan);
    // Rows are taken in runs that read the same texture rows, at most
    // `runLength` at a time (zooms past 8 start a new run, fetching again).
    constexpr int32_t runLength = 8;
    alignas(32) RowFraction fraction[runLength];
    int32_t r = 0;
    while (r < rows) {
        // The run: this row, then every following row on the same texture row.
        const uint32_t runV = first.v + static_cast<uint32_t>(r) * stepV;
        const uint32_t topRow = (runV >> 12) & first.maskY;
        int32_t run = 0;
        for (uint32_t v = runV; run < runLength && r + run < rows; ++run, v += stepV) {
            if (run > 0 && ((v >> 12) & first.maskY) != topRow) break;
            fraction[run].fy = _mm256_set1_epi16(static_cast<int16_t>(v & 4095));
            fraction[run].gy = _mm256_set1_epi16(static_cast<int16_t>(4096 - (v & 4095)));
        }
        drawSharedRows(out + r * 512, texture + topRow * 512, plan, blocks, fraction, run,
                       first.brightness);
        if (done < first.count) { // the last pixels of each row, fewer than a block
            RotozoomRow tail = restOfRow(first, done);
            for (int32_t i = 0; i < run; ++i) {
                tail.v = first.v + static_cast<uint32_t>(r + i) * stepV;
                sse2ZoomRow(out + (r + i) * 512 + done, texture, tail);
            }
        }
        r += run;
    }
}

} // namespace kernels::detail
#endif
