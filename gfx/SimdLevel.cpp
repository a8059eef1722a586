#include "gfx/SimdLevel.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// SSE2 is part of every x86-64 processor; AVX2 and AVX-512 are asked for at
// run time (the checks include the operating system's support for the wider
// registers).
SimdLevel readMachineLevel() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("avx2")) return SimdLevel::sse2;
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        return SimdLevel::avx512;
    return SimdLevel::avx2;
#else
    return SimdLevel::scalar;
#endif
}

constexpr SimdLevel allLevels[] = {SimdLevel::scalar, SimdLevel::sse2, SimdLevel::avx2,
                                   SimdLevel::avx512};

} // namespace

const char* simdLevelName(SimdLevel level) {
    switch (level) {
    case SimdLevel::scalar:
        return "scalar";
    case SimdLevel::sse2:
        return "sse2";
    case SimdLevel::avx2:
        return "avx2";
    case SimdLevel::avx512:
        return "avx512";
    }
    return "scalar";
}

SimdLevel cappedSimdLevel(SimdLevel machine, const char* simd, const char* forceScalar,
                          bool& unknown) {
    unknown = false;
    if (forceScalar && std::strcmp(forceScalar, "1") == 0) return SimdLevel::scalar;
    if (!simd || !*simd) return machine;
    for (SimdLevel level : allLevels)
        if (std::strcmp(simd, simdLevelName(level)) == 0) return level < machine ? level : machine;
    unknown = true;
    return machine;
}

SimdLevel machineSimdLevel() {
    static const SimdLevel level = readMachineLevel();
    return level;
}

SimdLevel simdLevel() {
    static const SimdLevel level = [] {
        const char* simd = std::getenv("DEMO_SIMD");
        bool unknown = false;
        const SimdLevel capped =
            cappedSimdLevel(machineSimdLevel(), simd, std::getenv("DEMO_FORCE_SCALAR"), unknown);
        if (unknown)
            std::fprintf(stderr,
                         "demo: ignoring DEMO_SIMD=%s (expected scalar, sse2, avx2 or avx512)\n",
                         simd);
        return capped;
    }();
    return level;
}

bool simdLevelSupported(SimdLevel level) {
    return level <= machineSimdLevel();
}
