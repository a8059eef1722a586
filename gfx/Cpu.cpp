#include <cstdlib>
#include <cstring>

#include "gfx/KernelSets.h"
#include "gfx/Kernels.h"

// Picks the kernel set once, from what the processor supports. SSE2 is part of
// every x86-64 processor; AVX2 and AVX-512 are asked for at run time (the
// checks include the operating system's support for the wider registers).
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

// The AVX2 set with the kernels whose arithmetic gains from registers wider
// than AVX2's: blend, add with a factor and the rotozoom row.
const RowKernels* avx512Kernels() {
#if defined(__x86_64__)
    static const bool supported =
        avx2Kernels() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    if (!supported) return nullptr;
    static const RowKernels set = [] {
        RowKernels k = detail::avx2Set();
        k.name = "avx512";
        k.blend = detail::avx512Blend;
        k.addFactor = detail::avx512AddFactor;
        k.rotozoomRow = detail::avx512RotozoomRow;
        return k;
    }();
    return &set;
#else
    return nullptr;
#endif
}

namespace {
const RowKernels& choose() {
    const char* force = std::getenv("DEMO_FORCE_SCALAR");
    if (force && std::strcmp(force, "1") == 0) return scalarKernels();
    if (const RowKernels* k = avx512Kernels()) return *k;
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
