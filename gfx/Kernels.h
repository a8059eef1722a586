#pragma once
#include <cstdint>

#include "gfx/SimdLevel.h"

// Row kernels behind the hot pixel operations. There is one plain scalar set
// (the reference, written per pixel from the combine rules) and, on x86-64,
// SSE2, AVX2 and AVX-512 sets that must give the same bits. The set in use is
// chosen once, from the level in use (gfx/SimdLevel.h: the processor's
// features, capped by DEMO_SIMD).
namespace kernels {

// One destination row of the rotozoom: `count` pixels, 20.12 coordinates
// starting at (u, v) and advancing by (du, dv), wrapped into the texture by the
// two masks; the texture is read with a fixed stride of 512 pixels.
struct RotozoomRow {
    uint32_t u = 0, v = 0;
    uint32_t du = 0, dv = 0;
    uint32_t maskX = 0, maskY = 0;
    uint32_t brightness = 0; // 0..255
    int32_t count = 0;
};

struct RowKernels {
    const char* name;
    // d[i] = rule(d[i], s[i]) for i < n; factors are already cut to 0..255.
    void (*add)(uint32_t* d, const uint32_t* s, int32_t n);
    void (*average)(uint32_t* d, const uint32_t* s, int32_t n);
    void (*blend)(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha);
    void (*addFactor)(uint32_t* d, const uint32_t* s, int32_t n, uint32_t factor);
    // d[i] = blend(0, s[i], alpha): the cross-fade onto a black row, which
    // reads nothing of d (a clear and a blend in one pass).
    void (*blendOntoBlack)(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha);
    // d[i] = add(add(d[i], a[i]), b[i]): two adds in one pass.
    void (*addTwo)(uint32_t* d, const uint32_t* a, const uint32_t* b, int32_t n);
    // d[i] = add(add(blend(0, s[i], alpha), a[i]), b[i]): the cross-fade onto
    // black and two adds in one pass, reading nothing of d.
    void (*blendOntoBlackAddTwo)(uint32_t* d, const uint32_t* s, const uint32_t* a,
                                 const uint32_t* b, int32_t n, uint32_t alpha);
    // n pixels of one colour.
    void (*fill)(uint32_t* d, uint32_t colour, int32_t n);
    // Per byte saturating add / subtract of one colour over n pixels.
    void (*brighten)(uint32_t* d, uint32_t colour, int32_t n);
    void (*darken)(uint32_t* d, uint32_t colour, int32_t n);
    // Adds one bilinear-filtered, brightness-scaled rotozoom row into `out`.
    void (*rotozoomRow)(uint32_t* out, const uint32_t* texture, const RotozoomRow& row);
    // The same, faster where the row has no vertical step (dv == 0, a zoom
    // without rotation): every pixel then reads the same two texture rows.
    // Any other row is passed on to rotozoomRow.
    void (*zoomRow)(uint32_t* out, const uint32_t* texture, const RotozoomRow& row);
    // `rows` rows of 512-pixel stride, row i like `first` but starting at
    // v = first.v + i × stepV: a whole zoom without rotation at once, so that
    // rows reading the same texture rows can share their texels.
    void (*zoomRows)(uint32_t* out, const uint32_t* texture, const RotozoomRow& first,
                     uint32_t stepV, int32_t rows);
    // The in-place eight-neighbour mean over n pixels with a row stride of 512
    // (reads 513 pixels either side of the range).
    void (*blur8)(uint32_t* pixels, int32_t n);
};

// The set every operation uses: chosen on first use, never changed afterwards.
const RowKernels& active();

// Each set on its own, for tests and benchmarks that compare them. The SIMD
// getters return null when this processor (or build) cannot run them.
const RowKernels& scalarKernels();
const RowKernels* sse2Kernels();
const RowKernels* avx2Kernels();
const RowKernels* avx512Kernels();

// The set of a level; the scalar set where this processor cannot run it.
const RowKernels& kernelsFor(SimdLevel level);

} // namespace kernels
