#pragma once
#include <cstdint>

#include "gfx/BoxBlur.h"

// Shared by the scalar and the SSE2 blur: the window clamped to 1..256, and
// one row blurred by the reference code (the SSE2 path uses it for an odd
// last row).
int32_t boxBlurWindow(int32_t n);
void boxBlurRowScalar(uint32_t* row, int32_t n, BoxBlurScale scale);
