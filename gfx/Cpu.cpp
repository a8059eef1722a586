#include <cstdlib>
#include <cstring>

#include "gfx/KernelSets.h"
#include "gfx/Kernels.h"

// Picks the kernel set once, from what the processor supports. SSE2 is part of
// every x86-64 processor; AVX2 is asked for at run time.
namespace kernels {

const RowKernels* sse2Kernels() {
#if defined(__x86_64__)
    return &detail::sse2Set();
#else
    return nullptr;
#endif
}

const RowKernels* avx2Kernels() {
#if defined(__x86_64__)
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported ? &detail::avx2Set() : nullptr;
#else
    return nullptr;
#endif
}

namespace {
const RowKernels& choose() {
    const char* force = std::getenv("DEMO_FORCE_SCALAR");
    if (force && std::strcmp(force, "1") == 0) return scalarKernels();
    if (const RowKernels* k = avx2Kernels()) return *k;
    if (const RowKernels* k = sse2Kernels()) return *k;
    return scalarKernels();
}
} // namespace

const RowKernels& active() {
    static const RowKernels& chosen = choose();
    return chosen;
}

} // namespace kernels
