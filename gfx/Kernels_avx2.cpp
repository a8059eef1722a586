#if defined(__x86_64__)
#include <immintrin.h>

#include "gfx/KernelRows.h"
#include "gfx/KernelSets.h"

// AVX2 kernels, eight pixels per 256-bit register. This file is built with
// -mavx2 and only called after a run-time check of the processor, so it must
// not instantiate any inline function or template shared with other files (the
// linker could keep this file's AVX2 copy for every caller): row tails go to
// the SSE2 kernels, and the shared pieces (gfx/KernelRows.h) have internal
// linkage.
namespace kernels::detail {
namespace {

inline __m256i load(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void store(uint32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// (byte × k) >> 8 per byte, k replicated in 16-bit lanes (see the SSE2 file).
inline __m256i scaleBytes(__m256i v, __m256i k) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, v), k);
    const __m256i hi = _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, v), k);
    return _mm256_packus_epi16(lo, hi); // in-lane unpack and pack keep pixel order
}

} // namespace

void avx2Add(uint32_t* d, const uint32_t* s, int32_t n) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) store(d + i, _mm256_adds_epu8(load(d + i), load(s + i)));
    sse2Add(d + i, s + i, n - i);
}

void avx2Average(uint32_t* d, const uint32_t* s, int32_t n) {
    const __m256i mask = _mm256_set1_epi32(static_cast<int32_t>(0xFFFEFEFEu));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i hd = _mm256_srli_epi32(_mm256_and_si256(load(d + i), mask), 1);
        const __m256i hs = _mm256_srli_epi32(_mm256_and_si256(load(s + i), mask), 1);
        store(d + i, _mm256_add_epi8(hd, hs));
    }
    sse2Average(d + i, s + i, n - i);
}

void avx2Blend(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha) {
    const __m256i kd = _mm256_set1_epi16(static_cast<int16_t>(255 - alpha));
    const __m256i ks = _mm256_set1_epi16(static_cast<int16_t>(alpha));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        store(d + i, _mm256_add_epi8(scaleBytes(load(d + i), kd), scaleBytes(load(s + i), ks)));
    sse2Blend(d + i, s + i, n - i, alpha);
}

void avx2AddFactor(uint32_t* d, const uint32_t* s, int32_t n, uint32_t factor) {
    const __m256i k = _mm256_set1_epi16(static_cast<int16_t>(factor));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        store(d + i, _mm256_adds_epu8(load(d + i), scaleBytes(load(s + i), k)));
    sse2AddFactor(d + i, s + i, n - i, factor);
}

void avx2BlendOntoBlack(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha) {
    const __m256i ks = _mm256_set1_epi16(static_cast<int16_t>(alpha));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) store(d + i, scaleBytes(load(s + i), ks));
    sse2BlendOntoBlack(d + i, s + i, n - i, alpha);
}

void avx2AddTwo(uint32_t* d, const uint32_t* a, const uint32_t* b, int32_t n) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        store(d + i, _mm256_adds_epu8(_mm256_adds_epu8(load(d + i), load(a + i)), load(b + i)));
    sse2AddTwo(d + i, a + i, b + i, n - i);
}

void avx2BlendOntoBlackAddTwo(uint32_t* d, const uint32_t* s, const uint32_t* a, const uint32_t* b,
                              int32_t n, uint32_t alpha) {
    const __m256i ks = _mm256_set1_epi16(static_cast<int16_t>(alpha));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        store(d + i, _mm256_adds_epu8(_mm256_adds_epu8(scaleBytes(load(s + i), ks), load(a + i)),
                                      load(b + i)));
    sse2BlendOntoBlackAddTwo(d + i, s + i, a + i, b + i, n - i, alpha);
}

void avx2Fill(uint32_t* d, uint32_t colour, int32_t n) {
    const __m256i c = _mm256_set1_epi32(static_cast<int32_t>(colour));
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        store(d + i, c);
        store(d + i + 8, c);
    }
    sse2Fill(d + i, colour, n - i);
}

void avx2Brighten(uint32_t* d, uint32_t colour, int32_t n) {
    const __m256i c = _mm256_set1_epi32(static_cast<int32_t>(colour));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) store(d + i, _mm256_adds_epu8(load(d + i), c));
    sse2Brighten(d + i, colour, n - i);
}

void avx2Darken(uint32_t* d, uint32_t colour, int32_t n) {
    const __m256i c = _mm256_set1_epi32(static_cast<int32_t>(colour));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) store(d + i, _mm256_subs_epu8(load(d + i), c));
    sse2Darken(d + i, colour, n - i);
}

namespace {

// Σ texel × weight over a pixel's four texels, per 16-bit lane (exact: at
// most 255 × 256).
inline __m256i weightedSum(__m256i t00, __m256i t10, __m256i t01, __m256i t11, __m256i w00,
                           __m256i w10, __m256i w01, __m256i w11) {
    __m256i sum = _mm256_mullo_epi16(t00, w00);
    sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(t10, w10));
    sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(t01, w01));
    return _mm256_add_epi16(sum, _mm256_mullo_epi16(t11, w11));
}

// The filtered, brightness-scaled pixels from their four texels and weights
// (weights replicated into both 16-bit halves of a pixel's lane). The blue
// and red sums are taken over whole 16-bit lanes, texels unmasked: each lane
// then holds Σ low byte × w + 256 × Σ high byte × w (mod 65536), and taking
// the green and fourth sums (exact) times 256 away leaves the blue and red
// sums exactly (each below 65536). Two more shortcuts: ⌊⌊sum / 256⌋ × b
// / 256⌋ is the high half of (sum AND 0xFF00) × b, and the green and fourth
// bytes take the high byte of ⌊sum / 256⌋ × b where it stands.
inline __m256i filterTexels(__m256i t00, __m256i t10, __m256i t01, __m256i t11, __m256i w00,
                            __m256i w10, __m256i w01, __m256i w11, __m256i bright) {
    const __m256i highBytes = _mm256_set1_epi32(static_cast<int32_t>(0xFF00FF00u));
    const __m256i greenFourth =
        weightedSum(_mm256_srli_epi16(t00, 8), _mm256_srli_epi16(t10, 8), _mm256_srli_epi16(t01, 8),
                    _mm256_srli_epi16(t11, 8), w00, w10, w01, w11);
    const __m256i blueRed = _mm256_sub_epi16(weightedSum(t00, t10, t01, t11, w00, w10, w01, w11),
                                             _mm256_slli_epi16(greenFourth, 8));
    const __m256i scaledBlueRed = _mm256_mulhi_epu16(_mm256_and_si256(blueRed, highBytes), bright);
    const __m256i scaledGreenFourth = _mm256_mullo_epi16(_mm256_srli_epi16(greenFourth, 8), bright);
    return _mm256_blendv_epi8(scaledBlueRed, scaledGreenFourth, highBytes);
}

// A block's four texels per pixel, in pixel order: top left, top right,
// bottom left, bottom right.
struct Texels {
    __m256i topLeft, topRight, bottomLeft, bottomRight;
};

// The two adjacent pixels at offsets[i0], offsets[i1], offsets[i2] and
// offsets[i3], as four 64-bit elements.
inline __m256i pairsAt(const uint32_t* base, const uint32_t* offsets, int i0, int i1, int i2,
                       int i3) {
    auto pair = [base](uint32_t o) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + o));
    };
    auto two = [&](uint32_t o0, uint32_t o1) {
        return _mm_castpd_si128(
            _mm_loadh_pd(_mm_castsi128_pd(pair(o0)), reinterpret_cast<const double*>(base + o1)));
    };
    return _mm256_inserti128_si256(_mm256_castsi128_si256(two(offsets[i0], offsets[i1])),
                                   two(offsets[i2], offsets[i3]), 1);
}

// Any block's texels, each pixel's two horizontal neighbours fetched with one
// 64-bit load (they are adjacent in memory). Pairs of pixels 0 1 4 5 and
// 2 3 6 7 go into two registers, so that splitting them into left and right
// texels within each 128-bit half leaves the pixels in order. The offsets
// are read back from memory (the empty statement stands for a write to
// them): compilers otherwise pull them out of the register lane by lane,
// which is slower.
inline Texels texelsByPairs(const uint32_t* texture, __m256i offset) {
    alignas(32) uint32_t offsets[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(offsets), offset);
    asm volatile("" : "+m"(offsets));
    const __m256i top0 = pairsAt(texture, offsets, 0, 1, 4, 5);
    const __m256i top1 = pairsAt(texture, offsets, 2, 3, 6, 7);
    const __m256i bottom0 = pairsAt(texture + 512, offsets, 0, 1, 4, 5);
    const __m256i bottom1 = pairsAt(texture + 512, offsets, 2, 3, 6, 7);
    auto evens = [](__m256i x, __m256i y) {
        return _mm256_castps_si256(
            _mm256_shuffle_ps(_mm256_castsi256_ps(x), _mm256_castsi256_ps(y), 0x88));
    };
    auto odds = [](__m256i x, __m256i y) {
        return _mm256_castps_si256(
            _mm256_shuffle_ps(_mm256_castsi256_ps(x), _mm256_castsi256_ps(y), 0xDD));
    };
    return {evens(top0, top1), odds(top0, top1), evens(bottom0, bottom1), odds(bottom0, bottom1)};
}

// A block's texels when they all lie in a window of three texture rows and
// nine columns from the window's first texel. `column` holds each pixel's
// column distance from the window's first in its low 3 bits (0 to 7, the
// bits a lane permutation reads); `onTopRow` is all ones where the pixel's
// upper row is the window's first, zero where it is the second. One load per
// window row and texel side and a permutation fetch the texels of both
// candidate rows; `onTopRow` picks one.
inline Texels texelsFromWindow(const uint32_t* window, __m256i column, __m256i onTopRow) {
    auto fetch = [column](const uint32_t* from) {
        return _mm256_permutevar8x32_epi32(load(from), column);
    };
    auto pick = [onTopRow](__m256i first, __m256i second) {
        return _mm256_blendv_epi8(second, first, onTopRow);
    };
    const __m256i left1 = fetch(window + 512), right1 = fetch(window + 513);
    return {pick(fetch(window), left1), pick(fetch(window + 1), right1),
            pick(left1, fetch(window + 1024)), pick(right1, fetch(window + 1025))};
}

// Whether a step moves less than a texel per pixel either way.
inline bool underOneTexel(uint32_t step) {
    return static_cast<int32_t>(step) > -4096 && static_cast<int32_t>(step) < 4096;
}

} // namespace

// Eight pixels per step, the same arithmetic as the SSE2 row. With steps
// under a texel (a zoom in, a slight rotation) a block's texels mostly lie in
// a window of three texture rows, fetched with whole-register loads and
// permutations. Other blocks fetch each pixel's texels on their own, with
// plain 64-bit loads: on the processors measured, gather instructions were
// no faster and keep the ports busier.
void avx2RotozoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i u = _mm256_add_epi32(
        _mm256_set1_epi32(static_cast<int32_t>(row.u)),
        _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int32_t>(row.du))));
    __m256i v = _mm256_add_epi32(
        _mm256_set1_epi32(static_cast<int32_t>(row.v)),
        _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int32_t>(row.dv))));
    const __m256i stepU = _mm256_set1_epi32(static_cast<int32_t>(row.du * 8));
    const __m256i stepV = _mm256_set1_epi32(static_cast<int32_t>(row.dv * 8));
    const __m256i maskX = _mm256_set1_epi32(static_cast<int32_t>(row.maskX));
    // (v >> 12) AND maskY, times 512, is (v >> 3) AND (maskY << 9).
    const __m256i rowMask = _mm256_set1_epi32(static_cast<int32_t>(row.maskY << 9));
    const __m256i fraction = _mm256_set1_epi16(4095);
    const __m256i one = _mm256_set1_epi16(4096);
    const __m256i lowHalfTwice =
        _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13, 0, 1, 0, 1, 4, 5, 4, 5,
                         8, 9, 8, 9, 12, 13, 12, 13);
    const __m256i bright = _mm256_set1_epi16(static_cast<int16_t>(row.brightness));
    // The row's fields are copied: the stores into `out` could otherwise
    // alias them, and they would be read again for every block.
    const uint32_t du = row.du, dv = row.dv, lastX = row.maskX, lastY = row.maskY;
    const int32_t count = row.count;
    // Moving under a texel per pixel, a block's eight pixels walk at most
    // seven texels along each axis, never going back, from a corner pixel:
    // the first one for a step forward, the last one for a step back. A
    // block whose corner lies at least eight columns before the texture's
    // right edge and above its last row, and whose pixels span at most two
    // texture rows, reads only a window of three rows and nine columns from
    // the corner's texel and wraps nowhere.
    const bool windows = underOneTexel(du) && underOneTexel(dv);
    const bool backU = static_cast<int32_t>(du) < 0, backV = static_cast<int32_t>(dv) < 0;
    const __m256i leftPixel = _mm256_set1_epi32(backU ? 7 : 0);
    const __m256i topPixel = _mm256_set1_epi32(backV ? 7 : 0);
    const uint32_t spanV = backV ? 0u - 7 * dv : 7 * dv;
    uint32_t cornerU = row.u + (backU ? 7 * du : 0), cornerV = row.v + (backV ? 7 * dv : 0);

    int32_t p = 0;
    for (; p + 8 <= count; p += 8, cornerU += 8 * du, cornerV += 8 * dv) {
        const uint32_t left = (cornerU >> 12) & lastX, top = (cornerV >> 12) & lastY;
        const uint32_t rowsAfterTop = ((cornerV + spanV) >> 12) - (cornerV >> 12);
        Texels t;
        if (windows && left + 8 <= lastX && top < lastY && rowsAfterTop <= 1) {
            // Each pixel's distance from the corner's column and whether it
            // is on the corner's row, from the unmasked coordinates: the
            // masks' periods are multiples of 8, so the low 3 bits of a
            // column distance (all a lane permutation reads) come out the same.
            const __m256i columns = _mm256_srli_epi32(u, 12), rows = _mm256_srli_epi32(v, 12);
            const __m256i column =
                _mm256_sub_epi32(columns, _mm256_permutevar8x32_epi32(columns, leftPixel));
            const __m256i onTopRow =
                _mm256_cmpeq_epi32(rows, _mm256_permutevar8x32_epi32(rows, topPixel));
            t = texelsFromWindow(texture + top * 512 + left, column, onTopRow);
        } else {
            const __m256i tx = _mm256_and_si256(_mm256_srli_epi32(u, 12), maskX);
            t = texelsByPairs(
                texture, _mm256_or_si256(tx, _mm256_and_si256(_mm256_srli_epi32(v, 3), rowMask)));
        }
        // Fractions copied into both 16-bit halves of their lane, so that the
        // high products come out as weights already replicated for both halves.
        const __m256i fx = _mm256_and_si256(_mm256_shuffle_epi8(u, lowHalfTwice), fraction);
        const __m256i fy = _mm256_and_si256(_mm256_shuffle_epi8(v, lowHalfTwice), fraction);
        const __m256i gx = _mm256_sub_epi16(one, fx), gy = _mm256_sub_epi16(one, fy);
        const __m256i w00 = _mm256_mulhi_epu16(gx, gy);
        const __m256i w10 = _mm256_mulhi_epu16(fx, gy);
        const __m256i w01 = _mm256_mulhi_epu16(gx, fy);
        const __m256i w11 = _mm256_mulhi_epu16(fx, fy);
        const __m256i g = filterTexels(t.topLeft, t.topRight, t.bottomLeft, t.bottomRight, w00, w10,
                                       w01, w11, bright);
        store(out + p, _mm256_adds_epu8(load(out + p), g));
        u = _mm256_add_epi32(u, stepU);
        v = _mm256_add_epi32(v, stepV);
    }
    if (p < count) sse2RotozoomRow(out + p, texture, restOfRow(row, p));
}

// Eight pixels per step of a row without rotation. Their texels lie among
// nine neighbours of one texture row (see zoomFetchFits), so two loads per
// texture row and a lane permutation by each pixel's distance from the first
// texel fetch all four texels; the arithmetic is the rotozoom row's, with one
// vertical weight for the whole row. A block whose texels wrap round the
// texture's right edge is drawn by the general row.
void avx2ZoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row) {
    if (!zoomFetchFits(row)) return avx2RotozoomRow(out, texture, row);
    __m256i u =
        _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(row.u)),
                         _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                            _mm256_set1_epi32(static_cast<int32_t>(row.du))));
    const uint32_t step = row.du * 8;
    const __m256i stepU = _mm256_set1_epi32(static_cast<int32_t>(step));
    const __m256i maskX = _mm256_set1_epi32(static_cast<int32_t>(row.maskX));
    const uint32_t* top = texture + ((row.v >> 12) & row.maskY) * 512;
    const uint32_t* bottom = top + 512;
    const __m256i fy = _mm256_set1_epi16(static_cast<int16_t>(row.v & 4095));
    const __m256i gy = _mm256_set1_epi16(static_cast<int16_t>(4096 - (row.v & 4095)));
    const __m256i fraction = _mm256_set1_epi16(4095);
    const __m256i one = _mm256_set1_epi16(4096);
    const __m256i lowHalfTwice =
        _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13, 0, 1, 0, 1, 4, 5, 4, 5,
                         8, 9, 8, 9, 12, 13, 12, 13);
    const __m256i bright = _mm256_set1_epi16(static_cast<int16_t>(row.brightness));

    int32_t p = 0;
    uint32_t firstU = row.u;
    for (; p + 8 <= row.count; p += 8, firstU += step, u = _mm256_add_epi32(u, stepU)) {
        const uint32_t tx0 = (firstU >> 12) & row.maskX;
        if (!zoomBlockFits(tx0, row.maskX, 8)) {
            RotozoomRow block = restOfRow(row, p);
            block.count = 8;
            avx2RotozoomRow(out + p, texture, block);
            continue;
        }
        const __m256i distance = _mm256_sub_epi32(_mm256_and_si256(_mm256_srli_epi32(u, 12), maskX),
                                                  _mm256_set1_epi32(static_cast<int32_t>(tx0)));
        auto fetch = [&](const uint32_t* from) {
            return _mm256_permutevar8x32_epi32(load(from + tx0), distance);
        };
        const __m256i a = fetch(top), b = fetch(top + 1);
        const __m256i c = fetch(bottom), e = fetch(bottom + 1);
        const __m256i fx = _mm256_and_si256(_mm256_shuffle_epi8(u, lowHalfTwice), fraction);
        const __m256i gx = _mm256_sub_epi16(one, fx);
        const __m256i w00 = _mm256_mulhi_epu16(gx, gy);
        const __m256i w10 = _mm256_mulhi_epu16(fx, gy);
        const __m256i w01 = _mm256_mulhi_epu16(gx, fy);
        const __m256i w11 = _mm256_mulhi_epu16(fx, fy);
        const __m256i g = filterTexels(a, b, c, e, w00, w10, w01, w11, bright);
        store(out + p, _mm256_adds_epu8(load(out + p), g));
    }
    if (p < row.count) sse2ZoomRow(out + p, texture, restOfRow(row, p));
}

// As the SSE2 pass (see there), with the seven-neighbour sums of four pixels
// widened straight from memory into one 256-bit register.
void avx2Blur8(uint32_t* pixels, int32_t n) {
    constexpr int32_t block = 64;
    alignas(32) uint16_t partial[block * 4];
    const __m128i zero = _mm_setzero_si128();
    __m128i left = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int32_t>(pixels[-1])), zero);
    auto widen = [](const uint32_t* q) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)));
    };
    for (int32_t start = 0; start < n; start += block) {
        const int32_t count = n - start < block ? n - start : block;
        uint32_t* p = pixels + start;
        int32_t j = 0;
        for (; j + 4 <= count; j += 4) {
            const uint32_t* q = p + j;
            __m256i sum = _mm256_add_epi16(widen(q - 513), widen(q - 512));
            sum = _mm256_add_epi16(sum, widen(q - 511));
            sum = _mm256_add_epi16(sum, widen(q + 1));
            sum = _mm256_add_epi16(sum, widen(q + 511));
            sum = _mm256_add_epi16(sum, widen(q + 512));
            sum = _mm256_add_epi16(sum, widen(q + 513));
            _mm256_store_si256(reinterpret_cast<__m256i*>(partial + j * 4), sum);
        }
        sevenNeighbourSums(p, j, count, partial); // the last one to three pixels
        for (j = 0; j < count; ++j) {
            const __m128i sum = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(partial + j * 4));
            left = _mm_srli_epi16(_mm_add_epi16(sum, left), 3);
            p[j] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(left, zero)));
        }
    }
}

namespace {
constexpr RowKernels avx2Kernels{.name = "avx2",
                                 .add = avx2Add,
                                 .average = avx2Average,
                                 .blend = avx2Blend,
                                 .addFactor = avx2AddFactor,
                                 .blendOntoBlack = avx2BlendOntoBlack,
                                 .addTwo = avx2AddTwo,
                                 .blendOntoBlackAddTwo = avx2BlendOntoBlackAddTwo,
                                 .fill = avx2Fill,
                                 .brighten = avx2Brighten,
                                 .darken = avx2Darken,
                                 .rotozoomRow = avx2RotozoomRow,
                                 .zoomRow = avx2ZoomRow,
                                 .zoomRows = avx2ZoomRows,
                                 .blur8 = avx2Blur8};
} // namespace

const RowKernels& avx2Set() {
    return avx2Kernels;
}

} // namespace kernels::detail
#endif
