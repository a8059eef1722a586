#include "gfx/BoxBlurRows.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

// Blurs two rows at once. Their line buffers are interleaved and already
// widened to 16 bits: entry j holds pixel j of the first row in lanes 0..3
// and of the second in lanes 4..7, so one register carries the four byte sums
// of each row and a step is two loads, a subtraction and an addition. The
// scaling by m / 2^(k+8) is a high multiply by m · 2^(8-k), which fits 16
// bits for every window that is not a power of two; a power of two is a
// plain shift by k.
void blurRowPair(uint32_t* rowA, uint32_t* rowB, int32_t n, BoxBlurScale scale) {
    alignas(16) __m128i line[1024];
    const __m128i zero = _mm_setzero_si128();
    for (int32_t j = 0; j < n; ++j) line[j] = zero;
    for (int32_t j = 512; j < 512 + n; ++j) line[j] = zero;
    const uint32_t* a = rowA + n / 2;
    const uint32_t* b = rowB + n / 2;
    __m128i* into = line + n;
    const int32_t count = 512 - n;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const __m128i ab01 = _mm_unpacklo_epi32(va, vb);
        const __m128i ab23 = _mm_unpackhi_epi32(va, vb);
        into[i] = _mm_unpacklo_epi8(ab01, zero);
        into[i + 1] = _mm_unpackhi_epi8(ab01, zero);
        into[i + 2] = _mm_unpacklo_epi8(ab23, zero);
        into[i + 3] = _mm_unpackhi_epi8(ab23, zero);
    }
    for (; i < count; ++i) {
        const __m128i ab = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(a[i])),
                                              _mm_cvtsi32_si128(static_cast<int>(b[i])));
        into[i] = _mm_unpacklo_epi8(ab, zero);
    }

    const uint32_t k = scale.shift - 8;
    const bool powerOfTwo = scale.multiplier == 256;
    const __m128i shiftCount = _mm_cvtsi32_si128(static_cast<int>(k));
    const __m128i factor = _mm_set1_epi16(static_cast<short>(scale.multiplier << (8 - k)));
    __m128i sum = zero;
    // One step: the output from the current sums, then one pixel out and one
    // in. The difference does not wait for the sum, so the chain from one
    // step to the next is a single addition.
    auto step = [&](int32_t x) {
        const __m128i out =
            powerOfTwo ? _mm_srl_epi16(sum, shiftCount) : _mm_mulhi_epu16(sum, factor);
        sum = _mm_add_epi16(sum, _mm_sub_epi16(line[x + n], line[x]));
        return out;
    };
    for (int32_t x = 0; x < 512; x += 4) {
        const __m128i o0 = step(x);
        const __m128i o1 = step(x + 1);
        const __m128i o2 = step(x + 2);
        const __m128i o3 = step(x + 3);
        // [A0 B0 A1 B1] and [A2 B2 A3 B3] -> [A0 A1 A2 A3] and [B0 B1 B2 B3].
        const __m128i p01 = _mm_shuffle_epi32(_mm_packus_epi16(o0, o1), _MM_SHUFFLE(3, 1, 2, 0));
        const __m128i p23 = _mm_shuffle_epi32(_mm_packus_epi16(o2, o3), _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rowA + x), _mm_unpacklo_epi64(p01, p23));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rowB + x), _mm_unpackhi_epi64(p01, p23));
    }
}

} // namespace

void boxBlurRowsSse2(Bitmap& bitmap, int32_t n) {
    if (bitmap.width != 512 || !bitmap.pixels) return;
    n = boxBlurWindow(n);
    const BoxBlurScale scale = boxBlurScale(n);
    int32_t r = 0;
    for (; r + 2 <= bitmap.height; r += 2) {
        uint32_t* row = bitmap.pixels + static_cast<int64_t>(r) * 512;
        blurRowPair(row, row + 512, n, scale);
    }
    if (r < bitmap.height)
        boxBlurRowScalar(bitmap.pixels + static_cast<int64_t>(r) * 512, n, scale);
}

#else

// Without SSE2 the reference code does the work.
void boxBlurRowsSse2(Bitmap& bitmap, int32_t n) {
    boxBlurRowsScalar(bitmap, n);
}

#endif
