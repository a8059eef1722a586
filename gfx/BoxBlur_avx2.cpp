#include "gfx/BoxBlurRows.h"

#if defined(__AVX2__)
#include <immintrin.h>

// The row blur four rows at a time. Only called after a run-time check for
// AVX2 (this file alone is compiled with it).
namespace {

// Entry j of the line buffer holds pixel j of all four rows widened to 16
// bits: rows 0 and 1 in the low 128 bits, rows 2 and 3 in the high ones. A
// step of the running sum is then two loads, a subtraction and an addition
// for four pixels; the scaling is the same high multiply (or shift) as in
// the SSE2 blur.
void blurRowQuad(uint32_t* const rows[4], int32_t n, BoxBlurScale scale) {
    alignas(32) __m256i line[1024];
    const __m256i zero = _mm256_setzero_si256();
    for (int32_t j = 0; j < n; ++j) line[j] = zero;
    for (int32_t j = 512; j < 512 + n; ++j) line[j] = zero;
    const uint32_t* a = rows[0] + n / 2;
    const uint32_t* b = rows[1] + n / 2;
    const uint32_t* c = rows[2] + n / 2;
    const uint32_t* d = rows[3] + n / 2;
    __m256i* into = line + n;
    const int32_t count = 512 - n;
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const auto load = [i](const uint32_t* p) {
            return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        };
        const __m256i va = load(a), vb = load(b), vc = load(c), vd = load(d);
        // Per 128-bit half: [A0 B0 A1 B1] and [A2 B2 A3 B3] (pixels 4..7 in
        // the high half), then widened to one pixel pair per half.
        const __m256i abLow = _mm256_unpacklo_epi32(va, vb), abHigh = _mm256_unpackhi_epi32(va, vb);
        const __m256i cdLow = _mm256_unpacklo_epi32(vc, vd), cdHigh = _mm256_unpackhi_epi32(vc, vd);
        const __m256i ab[4] = {_mm256_unpacklo_epi8(abLow, zero), _mm256_unpackhi_epi8(abLow, zero),
                               _mm256_unpacklo_epi8(abHigh, zero),
                               _mm256_unpackhi_epi8(abHigh, zero)};
        const __m256i cd[4] = {_mm256_unpacklo_epi8(cdLow, zero), _mm256_unpackhi_epi8(cdLow, zero),
                               _mm256_unpacklo_epi8(cdHigh, zero),
                               _mm256_unpackhi_epi8(cdHigh, zero)};
        for (int32_t q = 0; q < 4; ++q) {
            into[i + q] = _mm256_permute2x128_si256(ab[q], cd[q], 0x20);
            into[i + q + 4] = _mm256_permute2x128_si256(ab[q], cd[q], 0x31);
        }
    }
    for (; i < count; ++i) {
        const auto pair = [](uint32_t first, uint32_t second) {
            return _mm_unpacklo_epi8(
                _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(first)),
                                   _mm_cvtsi32_si128(static_cast<int>(second))),
                _mm_setzero_si128());
        };
        into[i] = _mm256_set_m128i(pair(c[i], d[i]), pair(a[i], b[i]));
    }

    const uint32_t k = scale.shift - 8;
    const bool powerOfTwo = scale.multiplier == 256;
    const __m128i shiftCount = _mm_cvtsi32_si128(static_cast<int>(k));
    const __m256i factor = _mm256_set1_epi16(static_cast<short>(scale.multiplier << (8 - k)));
    __m256i sum = zero;
    auto step = [&](int32_t x) {
        const __m256i out =
            powerOfTwo ? _mm256_srl_epi16(sum, shiftCount) : _mm256_mulhi_epu16(sum, factor);
        sum = _mm256_add_epi16(sum, _mm256_sub_epi16(line[x + n], line[x]));
        return out;
    };
    for (int32_t x = 0; x < 512; x += 4) {
        const __m256i o0 = step(x);
        const __m256i o1 = step(x + 1);
        const __m256i o2 = step(x + 2);
        const __m256i o3 = step(x + 3);
        // Per half: [A0 A1 B0 B1] and [A2 A3 B2 B3] (C and D in the high half),
        // then one row of four pixels per half.
        const __m256i p01 =
            _mm256_shuffle_epi32(_mm256_packus_epi16(o0, o1), _MM_SHUFFLE(3, 1, 2, 0));
        const __m256i p23 =
            _mm256_shuffle_epi32(_mm256_packus_epi16(o2, o3), _MM_SHUFFLE(3, 1, 2, 0));
        const __m256i ac = _mm256_unpacklo_epi64(p01, p23);
        const __m256i bd = _mm256_unpackhi_epi64(p01, p23);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rows[0] + x), _mm256_castsi256_si128(ac));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rows[1] + x), _mm256_castsi256_si128(bd));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rows[2] + x), _mm256_extracti128_si256(ac, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rows[3] + x), _mm256_extracti128_si256(bd, 1));
    }
}

} // namespace

void boxBlurRowsAvx2(Bitmap& bitmap, int32_t n) {
    if (bitmap.width != 512 || !bitmap.pixels) return;
    n = boxBlurWindow(n);
    const BoxBlurScale scale = boxBlurScale(n);
    int32_t r = 0;
    for (; r + 4 <= bitmap.height; r += 4) {
        uint32_t* first = bitmap.pixels + static_cast<int64_t>(r) * 512;
        uint32_t* const rows[4] = {first, first + 512, first + 1024, first + 1536};
        blurRowQuad(rows, n, scale);
    }
    for (; r < bitmap.height; ++r)
        boxBlurRowScalar(bitmap.pixels + static_cast<int64_t>(r) * 512, n, scale);
}

#else

// Without AVX2 the reference code does the work.
void boxBlurRowsAvx2(Bitmap& bitmap, int32_t n) {
    boxBlurRowsScalar(bitmap, n);
}

#endif
