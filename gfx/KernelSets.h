#pragma once
#include "gfx/Kernels.h"

// The SIMD kernel sets, for the choice in KernelChoice.cpp. The AVX2 set
// reuses SSE2 kernels for row tails; the AVX-512 set is the AVX2 set with its
// own blend, add with a factor and rotozoom row.
namespace kernels::detail {

const RowKernels& sse2Set();
const RowKernels& avx2Set();
const RowKernels& avx512Set();

void sse2Add(uint32_t* d, const uint32_t* s, int32_t n);
void sse2Average(uint32_t* d, const uint32_t* s, int32_t n);
void sse2Blend(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha);
void sse2AddFactor(uint32_t* d, const uint32_t* s, int32_t n, uint32_t factor);
void sse2BlendOntoBlack(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha);
void sse2AddTwo(uint32_t* d, const uint32_t* a, const uint32_t* b, int32_t n);
void sse2BlendOntoBlackAddTwo(uint32_t* d, const uint32_t* s, const uint32_t* a, const uint32_t* b,
                              int32_t n, uint32_t alpha);
void sse2Fill(uint32_t* d, uint32_t colour, int32_t n);
void sse2Brighten(uint32_t* d, uint32_t colour, int32_t n);
void sse2Darken(uint32_t* d, uint32_t colour, int32_t n);
void sse2RotozoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row);
void sse2ZoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row);
void sse2ZoomRows(uint32_t* out, const uint32_t* texture, const RotozoomRow& first, uint32_t stepV,
                  int32_t rows);
void sse2Blur8(uint32_t* pixels, int32_t n);

void avx2Add(uint32_t* d, const uint32_t* s, int32_t n);
void avx2Average(uint32_t* d, const uint32_t* s, int32_t n);
void avx2Blend(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha);
void avx2AddFactor(uint32_t* d, const uint32_t* s, int32_t n, uint32_t factor);
void avx2BlendOntoBlack(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha);
void avx2AddTwo(uint32_t* d, const uint32_t* a, const uint32_t* b, int32_t n);
void avx2BlendOntoBlackAddTwo(uint32_t* d, const uint32_t* s, const uint32_t* a, const uint32_t* b,
                              int32_t n, uint32_t alpha);
void avx2Fill(uint32_t* d, uint32_t colour, int32_t n);
void avx2Brighten(uint32_t* d, uint32_t colour, int32_t n);
void avx2Darken(uint32_t* d, uint32_t colour, int32_t n);
void avx2RotozoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row);
void avx2ZoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row);
void avx2ZoomRows(uint32_t* out, const uint32_t* texture, const RotozoomRow& first, uint32_t stepV,
                  int32_t rows);
void avx2Blur8(uint32_t* pixels, int32_t n);

void avx512Blend(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha);
void avx512BlendOntoBlack(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha);
void avx512AddTwo(uint32_t* d, const uint32_t* a, const uint32_t* b, int32_t n);
void avx512BlendOntoBlackAddTwo(uint32_t* d, const uint32_t* s, const uint32_t* a,
                                const uint32_t* b, int32_t n, uint32_t alpha);
void avx512AddFactor(uint32_t* d, const uint32_t* s, int32_t n, uint32_t factor);
void avx512RotozoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row);
void avx512ZoomRow(uint32_t* out, const uint32_t* texture, const RotozoomRow& row);
void avx512ZoomRows(uint32_t* out, const uint32_t* texture, const RotozoomRow& first,
                    uint32_t stepV, int32_t rows);

} // namespace kernels::detail
