#include "gfx/KernelSets.h"
#include "gfx/Kernels.h"
#include "gfx/SimdLevel.h"

// Which kernel set runs: the widest one the level in use allows. The getters
// of the single sets answer for the processor, whatever the cap.
namespace kernels {

const RowKernels* sse2Kernels() {
#if defined(__x86_64__)
    return simdLevelSupported(SimdLevel::sse2) ? &detail::sse2Set() : nullptr;
#else
    return nullptr;
#endif
}

const RowKernels* avx2Kernels() {
#if defined(__x86_64__)
    return simdLevelSupported(SimdLevel::avx2) ? &detail::avx2Set() : nullptr;
#else
    return nullptr;
#endif
}

const RowKernels* avx512Kernels() {
#if defined(__x86_64__)
    return simdLevelSupported(SimdLevel::avx512) ? &detail::avx512Set() : nullptr;
#else
    return nullptr;
#endif
}

const RowKernels& kernelsFor(SimdLevel level) {
    const RowKernels* set = nullptr;
    switch (level) {
    case SimdLevel::avx512:
        set = avx512Kernels();
        break;
    case SimdLevel::avx2:
        set = avx2Kernels();
        break;
    case SimdLevel::sse2:
        set = sse2Kernels();
        break;
    case SimdLevel::scalar:
        break;
    }
    return set ? *set : scalarKernels();
}

const RowKernels& active() {
    static const RowKernels& chosen = kernelsFor(simdLevel());
    return chosen;
}

} // namespace kernels
