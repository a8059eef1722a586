#pragma once

// The instruction sets the pixel kernels may use, in increasing order. Every
// group of kernels (graphics rows, the row blur, the video conversion) picks
// its code from the one level read here, so a cap applies to all of them.
enum class SimdLevel { scalar = 0, sse2 = 1, avx2 = 2, avx512 = 3 };

// The widest level this processor and operating system run (AVX-512 here
// means its foundation and byte/word instructions). Read once.
SimdLevel machineSimdLevel();

// The level in use: the machine's, capped by DEMO_SIMD=scalar|sse2|avx2|avx512
// in the environment (DEMO_FORCE_SCALAR=1 is the same as DEMO_SIMD=scalar).
// Read once, on first use; an unknown DEMO_SIMD value is reported on stderr
// and ignored.
SimdLevel simdLevel();

// Whether this processor can run code of the given level (whatever the cap);
// for tests and benchmarks that compare the levels.
bool simdLevelSupported(SimdLevel level);

const char* simdLevelName(SimdLevel level);

// The rule behind simdLevel(), for tests: `simd` and `forceScalar` are the two
// environment values (null when unset). Sets `unknown` when `simd` names no
// level.
SimdLevel cappedSimdLevel(SimdLevel machine, const char* simd, const char* forceScalar,
                          bool& unknown);
