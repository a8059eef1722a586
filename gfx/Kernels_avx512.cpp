#if defined(__x86_64__)
#include <immintrin.h>

#include "gfx/KernelRows.h"
#include "gfx/KernelSets.h"

// AVX-512 kernels (foundation and byte/word instructions), sixteen pixels per
// step, for the operations whose arithmetic, not memory, sets their pace: the
// rotozoom row, and the blend and the add with a factor (two multiplies per
// byte). The other kernels stream memory and are as fast with AVX2, so the
// AVX-512 set takes them from the AVX2 set. Row tails go to the
// SSE2 kernels.
//
// This file is built for AVX-512 (foundation and byte/word instructions) and
// only called after a run-time check of the processor. Nothing here is a
// template or an inline function shared with other files (the shared pieces in
// gfx/KernelRows.h have internal linkage), so no AVX-512 code can leak to
// callers on other processors.
#if !defined(__clang__)
// gcc 12's AVX-512 headers start some results from _mm512_undefined_si512(),
// which its flow analysis then reports as maybe uninitialized (a known false
// report of that release).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace kernels::detail {
namespace {

// Texels (first, first + 1) in the low half and (second, second + 1) in the
// high half: each pixel's two horizontal neighbours are adjacent in memory.
inline __m128i twoPairs(const uint32_t* texture, uint32_t first, uint32_t second) {
    const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texture + first));
    return _mm_castpd_si128(
        _mm_loadh_pd(_mm_castsi128_pd(low), reinterpret_cast<const double*>(texture + second)));
}

// The texel pairs at eight indices, one pair per 64-bit element.
inline __m512i eightPairs(const uint32_t* texture, const uint32_t* index) {
    const __m256i low =
        _mm256_inserti128_si256(_mm256_castsi128_si256(twoPairs(texture, index[0], index[1])),
                                twoPairs(texture, index[2], index[3]), 1);
    const __m256i high =
        _mm256_inserti128_si256(_mm256_castsi128_si256(twoPairs(texture, index[4], index[5])),
                                twoPairs(texture, index[6], index[7]), 1);
    return _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
}

// The first (left) and second (right) texels of the pairs in a and b: within
// each 128-bit lane, a's two pixels then b's two.
inline __m512i leftTexels(__m512i a, __m512i b) {
    return _mm512_castps_si512(
        _mm512_shuffle_ps(_mm512_castsi512_ps(a), _mm512_castsi512_ps(b), 0x88));
}
inline __m512i rightTexels(__m512i a, __m512i b) {
    return _mm512_castps_si512(
        _mm512_shuffle_ps(_mm512_castsi512_ps(a), _mm512_castsi512_ps(b), 0xDD));
}

inline __m512i load(const uint32_t* p) {
    return _mm512_loadu_si512(p);
}
inline void store(uint32_t* p, __m512i v) {
    _mm512_storeu_si512(p, v);
}

// (byte × k) >> 8 per byte, k replicated in 16-bit lanes (see the SSE2 file).
inline __m512i scaleBytes(__m512i v, __m512i k) {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i lo = _mm512_mulhi_epu16(_mm512_unpacklo_epi8(zero, v), k);
    const __m512i hi = _mm512_mulhi_epu16(_mm512_unpackhi_epi8(zero, v), k);
    return _mm512_packus_epi16(lo, hi); // in-lane unpack and pack keep pixel order
}

// Σ texel × weight over the four texels, per 16-bit lane (exact: at most
// 255 × 256).
inline __m512i weightedSum(__m512i t00, __m512i t10, __m512i t01, __m512i t11, __m512i w00,
                           __m512i w10, __m512i w01, __m512i w11) {
    __m512i sum = _mm512_mullo_epi16(t00, w00);
    sum = _mm512_add_epi16(sum, _mm512_mullo_epi16(t10, w10));
    sum = _mm512_add_epi16(sum, _mm512_mullo_epi16(t01, w01));
    return _mm512_add_epi16(sum, _mm512_mullo_epi16(t11, w11));
}

// The rotozoom's filtered texel, scaled by the brightness (replicated in
// 16-bit lanes), added with saturation to the 16 pixels at `out`: blue/red and
// green/fourth bytes are filtered in 16-bit lanes of their own.
inline void addFiltered(uint32_t* out, __m512i t00, __m512i t10, __m512i t01, __m512i t11,
                        __m512i w00, __m512i w10, __m512i w01, __m512i w11, __m512i bright) {
    const __m512i lowBytes = _mm512_set1_epi32(0x00FF00FF);
    const __m512i highBytes = _mm512_set1_epi32(static_cast<int32_t>(0xFF00FF00));
    const __m512i blueRed = weightedSum(
        _mm512_and_si512(t00, lowBytes), _mm512_and_si512(t10, lowBytes),
        _mm512_and_si512(t01, lowBytes), _mm512_and_si512(t11, lowBytes), w00, w10, w01, w11);
    const __m512i greenFourth =
        weightedSum(_mm512_srli_epi16(t00, 8), _mm512_srli_epi16(t10, 8), _mm512_srli_epi16(t01, 8),
                    _mm512_srli_epi16(t11, 8), w00, w10, w01, w11);
    const __m512i scaledBlueRed = _mm512_mulhi_epu16(_mm512_and_si512(blueRed, highBytes), bright);
    const __m512i scaledGreenFourth = _mm512_mullo_epi16(_mm512_srli_epi16(greenFourth, 8), bright);
    const __m512i g = _mm512_ternarylogic_epi32(scaledBlueRed, scaledGreenFourth, highBytes,
                                                0xF8); // a | (b AND c)
    store(out, _mm512_adds_epu8(load(out), g));
}

} // namespace

void avx512Blend(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha) {
    const __m512i kd = _mm512_set1_epi16(static_cast<int16_t>(255 - alpha));
    const __m512i ks = _mm512_set1_epi16(static_cast<int16_t>(alpha));
    int32_t i = 0;
    for (; i + 16 <= n; i += 16)
        store(d + i, _mm512_add_epi8(scaleBytes(load(d + i), kd), scaleBytes(load(s + i), ks)));
    sse2Blend(d + i, s + i, n - i, alpha);
}

void avx512BlendOntoBlack(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha) {
    const __m512i ks = _mm512_set1_epi16(static_cast<int16_t>(alpha));
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) store(d + i, scaleBytes(load(s + i), ks));
    sse2BlendOntoBlack(d + i, s + i, n - i, alpha);
}

void avx512AddTwo(uint32_t* d, const uint32_t* a, const uint32_t* b, int32_t n) {
    int32_t i = 0;
    for (; i + 16 <= n; i += 16)
        store(d + i, _mm512_adds_epu8(_mm512_adds_epu8(load(d + i), load(a + i)), load(b + i)));
    sse2AddTwo(d + i, a + i, b + i, n - i);
}

void avx512BlendOntoBlackAddTwo(uint32_t* d, const uint32_t* s, const uint32_t* a,
                                const uint32_t* b, int32_t n, uint32_t alpha) {
    const __m512i ks = _mm512_set1_epi16(static_cast<int16_t>(alpha));
    int32_t i = 0;
    for (; i + 16 <= n; i += 16)
        store(d + i, _mm512_adds_epu8(_mm512_adds_epu8(scaleBytes(load(s + i), ks), load(a + i)),
                                      load(b + i)));
    sse2BlendOntoBlackAddTwo(d + i, s + i, a + i, b + i, n - i, alpha);
}

void avx512AddFactor(uint32_t* d, const uint32_t* s, int32_t n, uint32_t factor) {
    const __m512i k = _mm512_set1_epi16(static_cast<int16_t>(factor));
    int32_t i = 0;
    for (; i + 16 <= n; i += 16)
        store(d + i, _mm512_adds_epu8(load(d + i), scaleBytes(load(s + i), k)));
    sse2AddFactor(d + i, s + i, n - i, factor);
}

// The arithmetic is the AVX2 row's (see Kernels_avx2.cpp), on sixteen pixels.
// The pixels' texel pairs are gathered in two groups, pixels 0 1 4 5 8 9 12 13
// and 2 3 6 7 10 11 14 15, so that splitting the pairs into left and right
// texels leaves all sixteen in order. Two shortcuts on the way out:
// ⌊⌊sum / 256⌋ × b / 256⌋ is the high half of (sum AND 0xFF00) × b, and the
// green and fourth bytes keep (⌊sum / 256⌋ × b) AND 0xFF00 where they stand.
void avx512RotozoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row) {
    const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m512i u = _mm512_add_epi32(
        _mm512_set1_epi32(static_cast<int32_t>(row.u)),
        _mm512_mullo_epi32(lanes, _mm512_set1_epi32(static_cast<int32_t>(row.du))));
    __m512i v = _mm512_add_epi32(
        _mm512_set1_epi32(static_cast<int32_t>(row.v)),
        _mm512_mullo_epi32(lanes, _mm512_set1_epi32(static_cast<int32_t>(row.dv))));
    const __m512i stepU = _mm512_set1_epi32(static_cast<int32_t>(row.du * 16));
    const __m512i stepV = _mm512_set1_epi32(static_cast<int32_t>(row.dv * 16));
    const __m512i maskX = _mm512_set1_epi32(static_cast<int32_t>(row.maskX));
    // (v >> 12) AND maskY, times 512, is (v >> 3) AND (maskY << 9).
    const __m512i rowMask = _mm512_set1_epi32(static_cast<int32_t>(row.maskY << 9));
    // Copies a 32-bit lane's low 16 bits into both of its halves.
    const __m512i lowHalfTwice =
        _mm512_set_epi8(13, 12, 13, 12, 9, 8, 9, 8, 5, 4, 5, 4, 1, 0, 1, 0, 13, 12, 13, 12, 9, 8, 9,
                        8, 5, 4, 5, 4, 1, 0, 1, 0, 13, 12, 13, 12, 9, 8, 9, 8, 5, 4, 5, 4, 1, 0, 1,
                        0, 13, 12, 13, 12, 9, 8, 9, 8, 5, 4, 5, 4, 1, 0, 1, 0);
    const __m512i fraction = _mm512_set1_epi16(4095);
    const __m512i one = _mm512_set1_epi16(4096);
    const __m512i bright = _mm512_set1_epi16(static_cast<int16_t>(row.brightness));

    alignas(64) uint32_t index[16];
    const int32_t count = row.count;
    int32_t p = 0;
    for (; p + 16 <= count; p += 16) {
        const __m512i tx = _mm512_and_si512(_mm512_srli_epi32(u, 12), maskX);
        _mm512_store_si512(index, _mm512_ternarylogic_epi32(tx, _mm512_srli_epi32(v, 3), rowMask,
                                                            0xF8)); // tx | (v' AND mask)
        // Read the indices back from memory (the empty statement stands for a
        // write to them): compilers otherwise pull them out of the register
        // lane by lane, which is slower.
        asm volatile("" : "+m"(index));
        const uint32_t groupA[8] = {index[0], index[1], index[4],  index[5],
                                    index[8], index[9], index[12], index[13]};
        const __m512i topA = eightPairs(texture, groupA);
        const __m512i bottomA = eightPairs(texture + 512, groupA);
        const uint32_t groupB[8] = {index[2],  index[3],  index[6],  index[7],
                                    index[10], index[11], index[14], index[15]};
        const __m512i topB = eightPairs(texture, groupB);
        const __m512i bottomB = eightPairs(texture + 512, groupB);
        const __m512i t00 = leftTexels(topA, topB), t10 = rightTexels(topA, topB);
        const __m512i t01 = leftTexels(bottomA, bottomB), t11 = rightTexels(bottomA, bottomB);

        const __m512i fx = _mm512_and_si512(_mm512_shuffle_epi8(u, lowHalfTwice), fraction);
        const __m512i fy = _mm512_and_si512(_mm512_shuffle_epi8(v, lowHalfTwice), fraction);
        const __m512i gx = _mm512_sub_epi16(one, fx), gy = _mm512_sub_epi16(one, fy);
        const __m512i w00 = _mm512_mulhi_epu16(gx, gy), w10 = _mm512_mulhi_epu16(fx, gy);
        const __m512i w01 = _mm512_mulhi_epu16(gx, fy), w11 = _mm512_mulhi_epu16(fx, fy);

        addFiltered(out + p, t00, t10, t01, t11, w00, w10, w01, w11, bright);
        u = _mm512_add_epi32(u, stepU);
        v = _mm512_add_epi32(v, stepV);
    }
    if (p < count) sse2RotozoomRow(out + p, texture, restOfRow(row, p));
}

// Sixteen pixels per step of a row without rotation: the AVX2 zoom row's
// contiguous fetch (see there) with one permutation over sixteen texels, and
// this file's rotozoom arithmetic.
void avx512ZoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row) {
    if (!zoomFetchFits(row)) return avx512RotozoomRow(out, texture, row);
    const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m512i u = _mm512_add_epi32(
        _mm512_set1_epi32(static_cast<int32_t>(row.u)),
        _mm512_mullo_epi32(lanes, _mm512_set1_epi32(static_cast<int32_t>(row.du))));
    const uint32_t step = row.du * 16;
    const __m512i stepU = _mm512_set1_epi32(static_cast<int32_t>(step));
    const __m512i maskX = _mm512_set1_epi32(static_cast<int32_t>(row.maskX));
    const uint32_t* top = texture + ((row.v >> 12) & row.maskY) * 512;
    const uint32_t* bottom = top + 512;
    const __m512i fy = _mm512_set1_epi16(static_cast<int16_t>(row.v & 4095));
    const __m512i gy = _mm512_set1_epi16(static_cast<int16_t>(4096 - (row.v & 4095)));
    const __m512i lowHalfTwice =
        _mm512_set_epi8(13, 12, 13, 12, 9, 8, 9, 8, 5, 4, 5, 4, 1, 0, 1, 0, 13, 12, 13, 12, 9, 8, 9,
                        8, 5, 4, 5, 4, 1, 0, 1, 0, 13, 12, 13, 12, 9, 8, 9, 8, 5, 4, 5, 4, 1, 0, 1,
                        0, 13, 12, 13, 12, 9, 8, 9, 8, 5, 4, 5, 4, 1, 0, 1, 0);
    const __m512i fraction = _mm512_set1_epi16(4095);
    const __m512i one = _mm512_set1_epi16(4096);
    const __m512i bright = _mm512_set1_epi16(static_cast<int16_t>(row.brightness));

    const int32_t count = row.count;
    int32_t p = 0;
    uint32_t firstU = row.u;
    for (; p + 16 <= count; p += 16, firstU += step, u = _mm512_add_epi32(u, stepU)) {
        const uint32_t tx0 = (firstU >> 12) & row.maskX;
        if (!zoomBlockFits(tx0, row.maskX, 16)) {
            RotozoomRow block = restOfRow(row, p);
            block.count = 16;
            avx512RotozoomRow(out + p, texture, block);
            continue;
        }
        const __m512i distance = _mm512_sub_epi32(_mm512_and_si512(_mm512_srli_epi32(u, 12), maskX),
                                                  _mm512_set1_epi32(static_cast<int32_t>(tx0)));
        auto fetch = [&](const uint32_t* from) {
            return _mm512_permutexvar_epi32(distance, load(from + tx0));
        };
        const __m512i t00 = fetch(top), t10 = fetch(top + 1);
        const __m512i t01 = fetch(bottom), t11 = fetch(bottom + 1);

        const __m512i fx = _mm512_and_si512(_mm512_shuffle_epi8(u, lowHalfTwice), fraction);
        const __m512i gx = _mm512_sub_epi16(one, fx);
        const __m512i w00 = _mm512_mulhi_epu16(gx, gy), w10 = _mm512_mulhi_epu16(fx, gy);
        const __m512i w01 = _mm512_mulhi_epu16(gx, fy), w11 = _mm512_mulhi_epu16(fx, fy);

        addFiltered(out + p, t00, t10, t01, t11, w00, w10, w01, w11, bright);
    }
    if (p < count) sse2ZoomRow(out + p, texture, restOfRow(row, p));
}

void avx512ZoomRows(uint32_t* out, const uint32_t* texture, const RotozoomRow& first,
                    uint32_t stepV, int32_t rows) {
    zoomRowsOneByOne(avx512ZoomRow, out, texture, first, stepV, rows);
}

namespace {
// The AVX2 set with the kernels whose arithmetic gains from wider registers.
constexpr RowKernels avx512Kernels{.name = "avx512",
                                   .add = avx2Add,
                                   .average = avx2Average,
                                   .blend = avx512Blend,
                                   .addFactor = avx512AddFactor,
                                   .blendOntoBlack = avx512BlendOntoBlack,
                                   .addTwo = avx512AddTwo,
                                   .blendOntoBlackAddTwo = avx512BlendOntoBlackAddTwo,
                                   .fill = avx2Fill,
                                   .brighten = avx2Brighten,
                                   .darken = avx2Darken,
                                   .rotozoomRow = avx512RotozoomRow,
                                   .zoomRow = avx512ZoomRow,
                                   .zoomRows = avx512ZoomRows,
                                   .blur8 = avx2Blur8};
} // namespace

const RowKernels& avx512Set() {
    return avx512Kernels;
}

} // namespace kernels::detail

#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif
