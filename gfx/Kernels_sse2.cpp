#if defined(__x86_64__)
#include <emmintrin.h>

#include "gfx/KernelRows.h"
#include "gfx/KernelSets.h"
#include "gfx/PixelRules.h"

// SSE2 kernels, four pixels per 128-bit register. Products of a byte with an
// 8-bit factor use mulhi on (byte << 8), which yields (byte × factor) >> 8
// exactly, as the rules require. Row tails fall back to the per-pixel rules.
namespace kernels::detail {
namespace {

inline __m128i load(const uint32_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(uint32_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// (byte × k) >> 8 for the four pixels of v, k replicated in 16-bit lanes; each
// result byte is at most 254, so the pack never saturates.
inline __m128i scaleBytes(__m128i v, __m128i k) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, v), k);
    const __m128i hi = _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, v), k);
    return _mm_packus_epi16(lo, hi);
}

// The rotozoom's filtered texel, scaled by the brightness (replicated in
// 16-bit lanes), added with saturation to the four pixels at `out`: blue/red
// and green/fourth bytes are filtered in 16-bit lanes of their own.
inline void addFiltered(uint32_t* out, __m128i a, __m128i b, __m128i c, __m128i e, __m128i w00,
                        __m128i w10, __m128i w01, __m128i w11, __m128i bright) {
    const __m128i byteMask = _mm_set1_epi32(0x00FF00FF);
    auto filter = [&](__m128i ta, __m128i tb, __m128i tc, __m128i te) {
        __m128i sum = _mm_mullo_epi16(ta, w00);
        sum = _mm_add_epi16(sum, _mm_mullo_epi16(tb, w10));
        sum = _mm_add_epi16(sum, _mm_mullo_epi16(tc, w01));
        sum = _mm_add_epi16(sum, _mm_mullo_epi16(te, w11));
        return _mm_srli_epi16(_mm_mullo_epi16(_mm_srli_epi16(sum, 8), bright), 8);
    };
    const __m128i br = filter(_mm_and_si128(a, byteMask), _mm_and_si128(b, byteMask),
                              _mm_and_si128(c, byteMask), _mm_and_si128(e, byteMask));
    const __m128i ga = filter(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8), _mm_srli_epi16(c, 8),
                              _mm_srli_epi16(e, 8));
    const __m128i g = _mm_or_si128(br, _mm_slli_epi16(ga, 8));
    store(out, _mm_adds_epu8(load(out), g));
}

} // namespace

void sse2Add(uint32_t* d, const uint32_t* s, int32_t n) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) store(d + i, _mm_adds_epu8(load(d + i), load(s + i)));
    for (; i < n; ++i) d[i] = pixel::addSaturate(d[i], s[i]);
}

void sse2Average(uint32_t* d, const uint32_t* s, int32_t n) {
    const __m128i mask = _mm_set1_epi32(static_cast<int32_t>(0xFFFEFEFEu));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i hd = _mm_srli_epi32(_mm_and_si128(load(d + i), mask), 1);
        const __m128i hs = _mm_srli_epi32(_mm_and_si128(load(s + i), mask), 1);
        store(d + i, _mm_add_epi8(hd, hs));
    }
    for (; i < n; ++i) d[i] = pixel::average(d[i], s[i]);
}

void sse2Blend(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha) {
    const __m128i kd = _mm_set1_epi16(static_cast<int16_t>(255 - alpha));
    const __m128i ks = _mm_set1_epi16(static_cast<int16_t>(alpha));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4)
        store(d + i, _mm_add_epi8(scaleBytes(load(d + i), kd), scaleBytes(load(s + i), ks)));
    for (; i < n; ++i) d[i] = pixel::blend(d[i], s[i], alpha);
}

void sse2AddFactor(uint32_t* d, const uint32_t* s, int32_t n, uint32_t factor) {
    const __m128i k = _mm_set1_epi16(static_cast<int16_t>(factor));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) store(d + i, _mm_adds_epu8(load(d + i), scaleBytes(load(s + i), k)));
    for (; i < n; ++i) d[i] = pixel::addFactor(d[i], s[i], factor);
}

void sse2BlendOntoBlack(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha) {
    const __m128i ks = _mm_set1_epi16(static_cast<int16_t>(alpha));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) store(d + i, scaleBytes(load(s + i), ks));
    for (; i < n; ++i) d[i] = pixel::blend(0, s[i], alpha);
}

void sse2AddTwo(uint32_t* d, const uint32_t* a, const uint32_t* b, int32_t n) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4)
        store(d + i, _mm_adds_epu8(_mm_adds_epu8(load(d + i), load(a + i)), load(b + i)));
    for (; i < n; ++i) d[i] = pixel::addSaturate(pixel::addSaturate(d[i], a[i]), b[i]);
}

void sse2BlendOntoBlackAddTwo(uint32_t* d, const uint32_t* s, const uint32_t* a, const uint32_t* b,
                              int32_t n, uint32_t alpha) {
    const __m128i ks = _mm_set1_epi16(static_cast<int16_t>(alpha));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4)
        store(d + i,
              _mm_adds_epu8(_mm_adds_epu8(scaleBytes(load(s + i), ks), load(a + i)), load(b + i)));
    for (; i < n; ++i)
        d[i] = pixel::addSaturate(pixel::addSaturate(pixel::blend(0, s[i], alpha), a[i]), b[i]);
}

void sse2Fill(uint32_t* d, uint32_t colour, int32_t n) {
    const __m128i c = _mm_set1_epi32(static_cast<int32_t>(colour));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        store(d + i, c);
        store(d + i + 4, c);
    }
    for (; i < n; ++i) d[i] = colour;
}

void sse2Brighten(uint32_t* d, uint32_t colour, int32_t n) {
    const __m128i c = _mm_set1_epi32(static_cast<int32_t>(colour));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) store(d + i, _mm_adds_epu8(load(d + i), c));
    for (; i < n; ++i) d[i] = pixel::addSaturate(d[i], colour);
}

void sse2Darken(uint32_t* d, uint32_t colour, int32_t n) {
    const __m128i c = _mm_set1_epi32(static_cast<int32_t>(colour));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) store(d + i, _mm_subs_epu8(load(d + i), c));
    for (; i < n; ++i) d[i] = pixel::subSaturate(d[i], colour);
}

// Four pixels per step. The weights come from 16 × 16-bit high products of the
// 12-bit fractions (4096 still fits in 16 bits); texels are split into their
// blue/red and green/fourth bytes in 16-bit lanes, so each pixel's weight only
// needs replicating into both halves of its 32-bit lane. Every partial sum is
// exact in 16 bits (at most 255 × 256).
void sse2RotozoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row) {
    const __m128i lanes = _mm_set_epi32(3, 2, 1, 0);
    auto times = [](__m128i a, uint32_t k) { // a × k per 32-bit lane, modulo 2^32
        const __m128i kk = _mm_set1_epi32(static_cast<int32_t>(k));
        const __m128i even = _mm_mul_epu32(a, kk);
        const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), kk);
        return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));
    };
    __m128i u = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(row.u)), times(lanes, row.du));
    __m128i v = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(row.v)), times(lanes, row.dv));
    const __m128i stepU = _mm_set1_epi32(static_cast<int32_t>(row.du * 4));
    const __m128i stepV = _mm_set1_epi32(static_cast<int32_t>(row.dv * 4));
    const __m128i maskX = _mm_set1_epi32(static_cast<int32_t>(row.maskX));
    const __m128i maskY = _mm_set1_epi32(static_cast<int32_t>(row.maskY));
    const __m128i fraction = _mm_set1_epi32(4095);
    const __m128i one = _mm_set1_epi32(4096);
    const __m128i bright = _mm_set1_epi16(static_cast<int16_t>(row.brightness));
    auto replicate = [](__m128i w) { return _mm_or_si128(w, _mm_slli_epi32(w, 16)); };

    int32_t p = 0;
    alignas(16) uint32_t index[4];
    for (; p + 4 <= row.count; p += 4) {
        const __m128i tx = _mm_and_si128(_mm_srli_epi32(u, 12), maskX);
        const __m128i ty = _mm_and_si128(_mm_srli_epi32(v, 12), maskY);
        _mm_store_si128(reinterpret_cast<__m128i*>(index),
                        _mm_add_epi32(_mm_slli_epi32(ty, 9), tx));
        const __m128i fx = _mm_and_si128(u, fraction), fy = _mm_and_si128(v, fraction);
        const __m128i gx = _mm_sub_epi32(one, fx), gy = _mm_sub_epi32(one, fy);
        const __m128i w00 = replicate(_mm_mulhi_epu16(gx, gy));
        const __m128i w10 = replicate(_mm_mulhi_epu16(fx, gy));
        const __m128i w01 = replicate(_mm_mulhi_epu16(gx, fy));
        const __m128i w11 = replicate(_mm_mulhi_epu16(fx, fy));

        const uint32_t* t0 = texture + index[0];
        const uint32_t* t1 = texture + index[1];
        const uint32_t* t2 = texture + index[2];
        const uint32_t* t3 = texture + index[3];
        auto texels = [&](int o) {
            return _mm_set_epi32(static_cast<int32_t>(t3[o]), static_cast<int32_t>(t2[o]),
                                 static_cast<int32_t>(t1[o]), static_cast<int32_t>(t0[o]));
        };
        const __m128i a = texels(0), b = texels(1), c = texels(512), e = texels(513);
        addFiltered(out + p, a, b, c, e, w00, w10, w01, w11, bright);
        u = _mm_add_epi32(u, stepU);
        v = _mm_add_epi32(v, stepV);
    }
    if (p < row.count) scalarKernels().rotozoomRow(out + p, texture, restOfRow(row, p));
}

// Four pixels per step of a row without rotation: every pixel reads the same
// two texture rows, so each texel pair is one 64-bit load from a row, and the
// vertical weight is the same for the whole row. The arithmetic is the
// rotozoom row's.
void sse2ZoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row) {
    if (row.dv != 0) return sse2RotozoomRow(out, texture, row);
    const uint32_t* top = texture + ((row.v >> 12) & row.maskY) * 512;
    const uint32_t* bottom = top + 512;
    const uint32_t fy = row.v & 4095;
    const __m128i wy = _mm_set1_epi32(static_cast<int32_t>(fy | (fy << 16)));
    const __m128i gy = _mm_set1_epi32(static_cast<int32_t>((4096 - fy) | ((4096 - fy) << 16)));
    const __m128i bright = _mm_set1_epi16(static_cast<int16_t>(row.brightness));
    auto pairs = [](const uint32_t* from, uint32_t first, uint32_t second) {
        const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + first));
        return _mm_castpd_si128(
            _mm_loadh_pd(_mm_castsi128_pd(low), reinterpret_cast<const double*>(from + second)));
    };
    auto lefts = [](__m128i x, __m128i y) {
        return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(x), _mm_castsi128_ps(y), 0x88));
    };
    auto rights = [](__m128i x, __m128i y) {
        return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(x), _mm_castsi128_ps(y), 0xDD));
    };

    const __m128i fraction = _mm_set1_epi32(4095);
    const __m128i stepU = _mm_set1_epi32(static_cast<int32_t>(row.du * 4));
    __m128i uVector = _mm_setr_epi32(
        static_cast<int32_t>(row.u), static_cast<int32_t>(row.u + row.du),
        static_cast<int32_t>(row.u + 2 * row.du), static_cast<int32_t>(row.u + 3 * row.du));
    int32_t p = 0;
    uint32_t u = row.u;
    for (; p + 4 <= row.count; p += 4) {
        uint32_t tx[4];
        for (int i = 0; i < 4; ++i, u += row.du) tx[i] = (u >> 12) & row.maskX;
        const __m128i fx = _mm_and_si128(uVector, fraction);
        uVector = _mm_add_epi32(uVector, stepU);
        const __m128i wx = _mm_or_si128(fx, _mm_slli_epi32(fx, 16)); // in both halves
        const __m128i top01 = pairs(top, tx[0], tx[1]), top23 = pairs(top, tx[2], tx[3]);
        const __m128i bottom01 = pairs(bottom, tx[0], tx[1]);
        const __m128i bottom23 = pairs(bottom, tx[2], tx[3]);
        const __m128i a = lefts(top01, top23), b = rights(top01, top23);
        const __m128i c = lefts(bottom01, bottom23), e = rights(bottom01, bottom23);
        const __m128i gx = _mm_sub_epi16(_mm_set1_epi16(4096), wx);
        const __m128i w00 = _mm_mulhi_epu16(gx, gy), w10 = _mm_mulhi_epu16(wx, gy);
        const __m128i w01 = _mm_mulhi_epu16(gx, wy), w11 = _mm_mulhi_epu16(wx, wy);
        addFiltered(out + p, a, b, c, e, w00, w10, w01, w11, bright);
    }
    if (p < row.count) scalarKernels().rotozoomRow(out + p, texture, restOfRow(row, p));
}

// The pass is sequential only through the left neighbour: the three above were
// finished a row ago and the four after it are still old. So for a block of
// pixels the sum of those seven is computed four pixels at a time first, and
// then a short chain adds the left neighbour and shifts, one pixel (four 16-bit
// lanes) per step. Blocks are far shorter than a row, so every "above"
// neighbour of a block lies before it and is already final.
void sse2Blur8(uint32_t* pixels, int32_t n) {
    constexpr int32_t block = 64;
    alignas(16) uint16_t partial[block * 4];
    const __m128i zero = _mm_setzero_si128();
    __m128i left = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int32_t>(pixels[-1])), zero);
    for (int32_t start = 0; start < n; start += block) {
        const int32_t count = n - start < block ? n - start : block;
        uint32_t* p = pixels + start;
        int32_t j = 0;
        for (; j + 4 <= count; j += 4) {
            const uint32_t* q = p + j;
            const __m128i vs[7] = {load(q - 513), load(q - 512), load(q - 511), load(q + 1),
                                   load(q + 511), load(q + 512), load(q + 513)};
            __m128i lo = zero, hi = zero;
            for (const __m128i& x : vs) {
                lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(x, zero));
                hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(x, zero));
            }
            _mm_store_si128(reinterpret_cast<__m128i*>(partial + j * 4), lo);
            _mm_store_si128(reinterpret_cast<__m128i*>(partial + j * 4 + 8), hi);
        }
        sevenNeighbourSums(p, j, count, partial); // the last one to three pixels
        for (j = 0; j < count; ++j) {
            const __m128i sum = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(partial + j * 4));
            left = _mm_srli_epi16(_mm_add_epi16(sum, left), 3);
            p[j] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(left, zero)));
        }
    }
}

void sse2ZoomRows(uint32_t* out, const uint32_t* texture, const RotozoomRow& first, uint32_t stepV,
                  int32_t rows) {
    zoomRowsOneByOne(sse2ZoomRow, out, texture, first, stepV, rows);
}

namespace {
constexpr RowKernels sse2Kernels{.name = "sse2",
                                 .add = sse2Add,
                                 .average = sse2Average,
                                 .blend = sse2Blend,
                                 .addFactor = sse2AddFactor,
                                 .blendOntoBlack = sse2BlendOntoBlack,
                                 .addTwo = sse2AddTwo,
                                 .blendOntoBlackAddTwo = sse2BlendOntoBlackAddTwo,
                                 .fill = sse2Fill,
                                 .brighten = sse2Brighten,
                                 .darken = sse2Darken,
                                 .rotozoomRow = sse2RotozoomRow,
                                 .zoomRow = sse2ZoomRow,
                                 .zoomRows = sse2ZoomRows,
                                 .blur8 = sse2Blur8};
} // namespace

const RowKernels& sse2Set() {
    return sse2Kernels;
}

} // namespace kernels::detail
#endif
