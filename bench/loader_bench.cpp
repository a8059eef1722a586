#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

#include "gfx/Picture.h"

// Loading one full-canvas picture (512 × 256) from a JPEG of quality 90, the
// kind of file the show reads at start-up. Read against BM_memcpy_512KiB.
namespace {
// Smooth gradients with some texture, so the file is neither trivially flat
// nor noise: about what a photograph-like picture costs to decode.
std::vector<uint8_t> sceneSamples(int width, int height) {
    std::vector<uint8_t> samples;
    samples.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double wave = std::sin(x * 0.05) * std::cos(y * 0.07);
            samples.push_back(static_cast<uint8_t>(128 + 100 * wave));
            samples.push_back(static_cast<uint8_t>((x * 255) / width));
            samples.push_back(static_cast<uint8_t>(((x ^ y) & 31) * 4 + (y * 127) / height));
        }
    return samples;
}

std::string writeBenchJpeg() {
    const int width = 512, height = 256;
    const std::string name = "/tmp/loader_bench_" + std::to_string(getpid()) + ".jpg";
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) std::abort();
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::vector<uint8_t> samples = sceneSamples(width, height);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
    return name;
}

void BM_LoadJpeg_512x256(benchmark::State& state) {
    const std::string name = writeBenchJpeg();
    for (auto _ : state) {
        Picture picture;
        if (picture.load(name.c_str()) != loadSuccess) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(picture.pixels);
    }
    std::FILE* file = std::fopen(name.c_str(), "rb");
    std::fseek(file, 0, SEEK_END);
    state.counters["file_bytes"] = static_cast<double>(std::ftell(file));
    std::fclose(file);
    std::remove(name.c_str());
}
BENCHMARK(BM_LoadJpeg_512x256)->Unit(benchmark::kMicrosecond);
} // namespace
