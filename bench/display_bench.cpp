#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "display/Convert.h"

// The three converters, each one pass over a 512 × 256 canvas into a back
// buffer of the matching layout. Read against BM_memcpy_512KiB (the same
// canvas moved unchanged).
namespace {

struct ConvertSetup {
    ConvertSetup() : pixels(512 * 256), output(512 * 256 * 4) {
        uint32_t seed = 12345;
        for (uint32_t& p : pixels) {
            seed = seed * 1664525u + 1013904223u;
            p = seed;
        }
        canvas.width = 512;
        canvas.height = 256;
        canvas.pixels = pixels.data();
    }
    std::vector<uint32_t> pixels;
    std::vector<uint8_t> output;
    Bitmap canvas;
};

template <void (*Convert)(uint8_t*, const Bitmap&)> void convertBench(benchmark::State& state) {
    ConvertSetup s;
    for (auto _ : state) {
        Convert(s.output.data(), s.canvas);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 512 * 256 * 4);
}

void BM_convertTo555(benchmark::State& state) {
    convertBench<convertTo555>(state);
}
void BM_convertTo565(benchmark::State& state) {
    convertBench<convertTo565>(state);
}
void BM_convertTo24(benchmark::State& state) {
    convertBench<convertTo24>(state);
}
BENCHMARK(BM_convertTo555);
BENCHMARK(BM_convertTo565);
BENCHMARK(BM_convertTo24);

} // namespace
