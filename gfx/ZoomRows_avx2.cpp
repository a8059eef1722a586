#if defined(__x86_64__)
#include <immintrin.h>

#include "gfx/KernelRows.h"
#include "gfx/KernelSets.h"

// Rows without rotation, drawn together with AVX2 (built with -mavx2, called
// after a run-time check; like Kernels_avx2.cpp it shares no inline code with
// other files). Without a vertical step every row starts at the same u, so the
// texel columns and horizontal fractions of its pixels are the same in every
// row and are worked out once. Rows whose top texel row is the same (about
// `zoom` consecutive rows) read the same four texels per pixel: those are
// fetched once into a row-wide buffer, already split into 16-bit lanes, and
// each row then only weights them with its own vertical fraction.
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

// The four texels of a block's pixels, split into blue/red lanes (the bytes
// in place) and green/fourth lanes (shifted down by 8): top left, top right,
// bottom left, bottom right, in that order.
struct BlockTexels {
    __m256i blueRed[4];
    __m256i greenFourth[4];
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

// The texels of every block from the texture row at `top` and the one below.
void fetchTexels(const uint32_t* top, const ColumnPlan* plan, int32_t blocks, BlockTexels* texels) {
    const uint32_t* bottom = top + 512;
    const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF);
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
        for (int k = 0; k < 4; ++k) {
            texels[b].blueRed[k] = _mm256_and_si256(t[k], lowBytes);
            texels[b].greenFourth[k] = _mm256_srli_epi16(t[k], 8);
        }
    }
}

// One destination row from the shared texels, with the row's own vertical
// fraction fy. The arithmetic is the rotozoom row's (Kernels_avx2.cpp).
void weightRow(uint32_t* out, const ColumnPlan* plan, const BlockTexels* texels, int32_t blocks,
               uint32_t fy, uint32_t brightness) {
    const __m256i wy = _mm256_set1_epi16(static_cast<int16_t>(fy));
    const __m256i gy = _mm256_set1_epi16(static_cast<int16_t>(4096 - fy));
    const __m256i highBytes = _mm256_set1_epi32(static_cast<int32_t>(0xFF00FF00u));
    const __m256i bright = _mm256_set1_epi16(static_cast<int16_t>(brightness));
    for (int32_t b = 0; b < blocks; ++b) {
        const __m256i gx = plan[b].gx, fx = plan[b].fx;
        const __m256i w[4] = {_mm256_mulhi_epu16(gx, gy), _mm256_mulhi_epu16(fx, gy),
                              _mm256_mulhi_epu16(gx, wy), _mm256_mulhi_epu16(fx, wy)};
        const BlockTexels& t = texels[b];
        __m256i blueRed = _mm256_mullo_epi16(t.blueRed[0], w[0]);
        __m256i greenFourth = _mm256_mullo_epi16(t.greenFourth[0], w[0]);
        for (int k = 1; k < 4; ++k) {
            blueRed = _mm256_add_epi16(blueRed, _mm256_mullo_epi16(t.blueRed[k], w[k]));
            greenFourth = _mm256_add_epi16(greenFourth, _mm256_mullo_epi16(t.greenFourth[k], w[k]));
        }
        // ⌊⌊sum / 256⌋ × b / 256⌋ is the high half of (sum AND 0xFF00) × b;
        // the green and fourth bytes keep (⌊sum / 256⌋ × b) AND 0xFF00 in place.
        const __m256i scaledBlueRed =
            _mm256_mulhi_epu16(_mm256_and_si256(blueRed, highBytes), bright);
        const __m256i scaledGreenFourth =
            _mm256_mullo_epi16(_mm256_srli_epi16(greenFourth, 8), bright);
        const __m256i g =
            _mm256_or_si256(scaledBlueRed, _mm256_and_si256(scaledGreenFourth, highBytes));
        uint32_t* to = out + b * blockPixels;
        store(to, _mm256_adds_epu8(load(to), g));
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
    alignas(32) BlockTexels texels[maxBlocks];
    planColumns(first, blocks, plan);
    const RotozoomRow rest = restOfRow(first, done);
    int32_t r = 0;
    while (r < rows) {
        const uint32_t topRow = ((first.v + static_cast<uint32_t>(r) * stepV) >> 12) & first.maskY;
        fetchTexels(texture + topRow * 512, plan, blocks, texels);
        // Every following row that reads the same texture rows.
        do {
            const uint32_t v = first.v + static_cast<uint32_t>(r) * stepV;
            if (((v >> 12) & first.maskY) != topRow) break;
            weightRow(out + r * 512, plan, texels, blocks, v & 4095, first.brightness);
            if (done < first.count) {
                RotozoomRow tail = rest;
                tail.v = v;
                sse2ZoomRow(out + r * 512 + done, texture, tail);
            }
            ++r;
        } while (r < rows);
    }
}

} // namespace kernels::detail
#endif
