#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

// References every table in docs/performance.md is read against: moving and
// clearing 512 KiB, the size of one 512 × 256 canvas.
namespace {
constexpr size_t canvasBytes = 512 * 256 * 4;

void BM_memcpy_512KiB(benchmark::State& state) {
    std::vector<uint8_t> a(canvasBytes, 1), b(canvasBytes);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), canvasBytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_memcpy_512KiB);

void BM_memset_512KiB(benchmark::State& state) {
    std::vector<uint8_t> a(canvasBytes);
    for (auto _ : state) {
        std::memset(a.data(), 0, canvasBytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_memset_512KiB);
} // namespace
