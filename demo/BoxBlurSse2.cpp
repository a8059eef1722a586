#include <cstring>

#include "demo/BoxBlurRows.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

// Blurs two rows at once. Their line buffers are interleaved (pixel j of the
// first row, then pixel j of the second), so one 16-byte load brings two
// steps of both rows, and the eight 16-bit lanes of one register carry the
// four byte sums of each row. m / 2^(k+8) is taken as a high multiply by
// m · 2^(8-k), which fits 16 bits for every window that is not a power of
// two; a power of two is a plain shift by k.
void blurRowPair(uint32_t* rowA, uint32_t* rowB, int32_t n, BoxBlurScale scale) {
    alignas(16) uint32_t line[2 * 1024];
    std::memset(line, 0, static_cast<size_t>(n) * 8);
    std::memset(line + 1024, 0, static_cast<size_t>(n) * 8);
    const uint32_t* a = rowA + n / 2;
    const uint32_t* b = rowB + n / 2;
    uint32_t* into = line + 2 * n;
    const int32_t count = 512 - n;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(into + 2 * i), _mm_unpacklo_epi32(va, vb));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(into + 2 * i + 4), _mm_unpackhi_epi32(va, vb));
    }
    for (; i < count; ++i) {
        into[2 * i] = a[i];
        into[2 * i + 1] = b[i];
    }

    const uint32_t k = scale.shift - 8;
    const bool powerOfTwo = scale.multiplier == 256;
    const __m128i shiftCount = _mm_cvtsi32_si128(static_cast<int>(k));
    const __m128i factor = _mm_set1_epi16(static_cast<short>(scale.multiplier << (8 - k)));
    const __m128i zero = _mm_setzero_si128();
    __m128i sum = zero;
    auto scaled = [&](__m128i s) {
        return powerOfTwo ? _mm_srl_epi16(s, shiftCount) : _mm_mulhi_epu16(s, factor);
    };
    // One step: the output from the current sums, then one pixel out, one in
    // (both rows at once, from 8 bytes of the interleaved buffer).
    auto step = [&](__m128i leaving, __m128i entering) {
        const __m128i out = scaled(sum);
        sum = _mm_add_epi16(_mm_sub_epi16(sum, leaving), entering);
        return out;
    };
    const uint32_t* ahead = line + 2 * n;
    for (int32_t x = 0; x < 512; x += 4) {
        const __m128i old01 = _mm_load_si128(reinterpret_cast<const __m128i*>(line + 2 * x));
        const __m128i old23 = _mm_load_si128(reinterpret_cast<const __m128i*>(line + 2 * x + 4));
        const __m128i new01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ahead + 2 * x));
        const __m128i new23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ahead + 2 * x + 4));
        const __m128i o0 = step(_mm_unpacklo_epi8(old01, zero), _mm_unpacklo_epi8(new01, zero));
        const __m128i o1 = step(_mm_unpackhi_epi8(old01, zero), _mm_unpackhi_epi8(new01, zero));
        const __m128i o2 = step(_mm_unpacklo_epi8(old23, zero), _mm_unpacklo_epi8(new23, zero));
        const __m128i o3 = step(_mm_unpackhi_epi8(old23, zero), _mm_unpackhi_epi8(new23, zero));
        // [A0 B0 A1 B1] and [A2 B2 A3 B3] -> [A0 A1 A2 A3] and [B0 B1 B2 B3].
        const __m128i p01 = _mm_shuffle_epi32(_mm_packus_epi16(o0, o1), _MM_SHUFFLE(3, 1, 2, 0));
        const __m128i p23 = _mm_shuffle_epi32(_mm_packus_epi16(o2, o3), _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rowA + x), _mm_unpacklo_epi64(p01, p23));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rowB + x), _mm_unpackhi_epi64(p01, p23));
    }
}

} // namespace

bool boxBlurHasSse2() {
    return __builtin_cpu_supports("sse2");
}

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
bool boxBlurHasSse2() {
    return false;
}
void boxBlurRowsSse2(Bitmap& bitmap, int32_t n) {
    boxBlurRowsScalar(bitmap, n);
}

#endif
