// The video writer's encoding speed on show-like 512 × 256 frames at 60 per
// second, with the matching sound (735 stereo sample frames a picture): a
// photo-like picture scrolling up 0.4 rows a frame, with ten line triangles
// turning over it. One iteration writes a whole 10-second file, from open to
// finish, so the encoders' start-up and draining are counted. Time,
// frames_per_second and times_real_time are wall-clock figures; CPU is the
// whole process's (the encoders run threads of their own), so CPU / Time is
// the number of cores kept busy. BM_capture_showFrames is the cost of making
// the frames, which is inside the encoding figures.
//
// BM_capture_yuv420 is the writer's own BGR to YCbCr 4:2:0 conversion of one
// frame, beside libswscale doing the same conversion.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "capture/VideoWriter.h"
#include "capture/Yuv420.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

constexpr int32_t width = 512, height = 256, framesPerSecond = 60;
constexpr int32_t clipFrames = 10 * framesPerSecond;
constexpr int32_t samplesPerFrame = 44100 / framesPerSecond;

// A picture twice the canvas's height, like the show's dark clouds: smooth
// value noise at two scales.
std::vector<uint32_t> makeTallPicture() {
    std::mt19937 rng(1);
    const int32_t tallHeight = 2 * height;
    std::vector<uint32_t> picture(static_cast<size_t>(width) * tallHeight);
    auto lattice = [&](int32_t cell) {
        std::vector<float> grid(static_cast<size_t>((width / cell + 2) * (tallHeight / cell + 2)) *
                                3);
        for (float& g : grid) g = static_cast<float>(rng() % 256);
        return grid;
    };
    const std::vector<float> coarse = lattice(64), fine = lattice(16);
    auto sample = [&](const std::vector<float>& grid, int32_t cell, int32_t x, int32_t y, int c) {
        const int32_t stride = width / cell + 2;
        const int32_t gx = x / cell, gy = y / cell;
        const float fx = static_cast<float>(x % cell) / cell,
                    fy = static_cast<float>(y % cell) / cell;
        auto at = [&](int32_t i, int32_t j) {
            return grid[static_cast<size_t>((j * stride + i) * 3 + c)];
        };
        return (at(gx, gy) * (1 - fx) + at(gx + 1, gy) * fx) * (1 - fy) +
               (at(gx, gy + 1) * (1 - fx) + at(gx + 1, gy + 1) * fx) * fy;
    };
    for (int32_t y = 0; y < tallHeight; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            for (int c = 0; c < 3; ++c) {
                const float v =
                    0.45f * sample(coarse, 64, x, y, c) + 0.15f * sample(fine, 16, x, y, c);
                pixel |= static_cast<uint32_t>(std::clamp(v, 0.0f, 255.0f)) << (8 * c);
            }
            picture[static_cast<size_t>(y) * width + x] = pixel;
        }
    return picture;
}

void drawLine(std::vector<uint32_t>& canvas, float x0, float y0, float x1, float y1,
              uint32_t colour) {
    const int32_t steps = static_cast<int32_t>(std::max(std::abs(x1 - x0), std::abs(y1 - y0))) + 1;
    for (int32_t i = 0; i <= steps; ++i) {
        const int32_t x = static_cast<int32_t>(x0 + (x1 - x0) * i / steps);
        const int32_t y = static_cast<int32_t>(y0 + (y1 - y0) * i / steps);
        if (x >= 0 && x < width && y >= 0 && y < height)
            canvas[static_cast<size_t>(y) * width + x] = colour;
    }
}

// Frame n of the clip.
void showFrame(const std::vector<uint32_t>& tall, std::vector<uint32_t>& canvas, int32_t n) {
    const int32_t top = (n * 2 / 5) % height;
    std::copy(tall.begin() + static_cast<ptrdiff_t>(top) * width,
              tall.begin() + static_cast<ptrdiff_t>(top + height) * width, canvas.begin());
    for (int32_t t = 0; t < 10; ++t) {
        const float cx = 50.0f + 45.0f * t, cy = 128.0f, r = 30.0f + 3.0f * t;
        const float a = 0.02f * static_cast<float>(n) * (1 + t % 3) + t;
        float px[3], py[3];
        for (int k = 0; k < 3; ++k) {
            px[k] = cx + r * std::cos(a + 2.0944f * k);
            py[k] = cy + r * std::sin(a + 2.0944f * k);
        }
        for (int k = 0; k < 3; ++k)
            drawLine(canvas, px[k], py[k], px[(k + 1) % 3], py[(k + 1) % 3],
                     t % 2 ? 0x4060FF : 0xF0F0F0);
    }
}

struct Clip {
    std::vector<uint32_t> tall = makeTallPicture();
    std::vector<uint32_t> canvas = std::vector<uint32_t>(static_cast<size_t>(width) * height);
    std::vector<int16_t> sound;
    Clip() {
        // Music-like: a chord struck twice a second, decaying, with a little
        // noise; the two channels differ.
        std::mt19937 rng(2);
        const int32_t count = clipFrames * samplesPerFrame;
        sound.resize(static_cast<size_t>(count) * 2);
        for (int32_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(i) / 44100;
            const double beat = std::exp(-6 * std::fmod(t, 0.5));
            for (int c = 0; c < 2; ++c) {
                double v = 0;
                for (double f : {110.0, 220.0 * (1 + 0.002 * c), 277.2, 329.6, 440.0})
                    v += std::sin(2 * M_PI * f * t + c) / 5;
                v = 6000 * beat * v + static_cast<double>(rng() % 41) - 20;
                sound[static_cast<size_t>(i) * 2 + c] = static_cast<int16_t>(v);
            }
        }
    }
};

void BM_capture_showFrames(benchmark::State& state) {
    Clip clip;
    int32_t n = 0;
    for (auto _ : state) {
        showFrame(clip.tall, clip.canvas, n++);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_capture_showFrames);

void encodeClip(benchmark::State& state, const char* extension, bool withSound) {
    Clip clip;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("capture_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / (std::string("clip") + extension)).string();
    std::string error;
    for (auto _ : state) {
        auto writer = VideoWriter::open(path, VideoWriter::Format{}, error);
        bool ok = writer != nullptr;
        for (int32_t n = 0; ok && n < clipFrames; ++n) {
            showFrame(clip.tall, clip.canvas, n);
            const int16_t* sound =
                clip.sound.data() + static_cast<ptrdiff_t>(n) * samplesPerFrame * 2;
            ok = writer->writeFrame(clip.canvas.data(), width, error) &&
                 (!withSound || writer->writeAudio(sound, samplesPerFrame, error));
        }
        if (!ok || !writer->finish(error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.PauseTiming();
        state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
        state.ResumeTiming();
    }
    std::filesystem::remove_all(folder);
    state.counters["frames_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * clipFrames, benchmark::Counter::kIsRate);
    state.counters["times_real_time"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * clipFrames / framesPerSecond,
                           benchmark::Counter::kIsRate);
}

void BM_capture_encodeMp4(benchmark::State& state) {
    encodeClip(state, ".mp4", true);
}
BENCHMARK(BM_capture_encodeMp4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);
void BM_capture_encodeMkv(benchmark::State& state) {
    encodeClip(state, ".mkv", true);
}
BENCHMARK(BM_capture_encodeMkv)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);
// The pictures alone (the file's sound stream stays empty), to tell the
// video encoder's share from the sound's.
void BM_capture_encodeMp4_picturesOnly(benchmark::State& state) {
    encodeClip(state, ".mp4", false);
}
BENCHMARK(BM_capture_encodeMp4_picturesOnly)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);

void BM_capture_yuv420(benchmark::State& state) {
    Clip clip;
    showFrame(clip.tall, clip.canvas, 0);
    std::vector<uint8_t> planes(static_cast<size_t>(width) * height * 3 / 2);
    uint8_t* y = planes.data();
    uint8_t* cb = y + width * height;
    uint8_t* cr = cb + width * height / 4;
    for (auto _ : state) {
        convertToYuv420Bt709(clip.canvas.data(), width, width, height, y, width, cb, cr, width / 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_capture_yuv420);

// The same conversion as built for the baseline processor (SSE2), which
// DEMO_SIMD=scalar or sse2, or a processor without AVX2, gets.
void BM_capture_yuv420_baseline(benchmark::State& state) {
    Clip clip;
    showFrame(clip.tall, clip.canvas, 0);
    std::vector<uint8_t> planes(static_cast<size_t>(width) * height * 3 / 2);
    uint8_t* y = planes.data();
    uint8_t* cb = y + width * height;
    uint8_t* cr = cb + width * height / 4;
    for (auto _ : state) {
        yuv420::convertBaseline(clip.canvas.data(), width, width, height, y, width, cb, cr,
                                width / 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_capture_yuv420_baseline);

// libswscale's conversion of the same frame, BT.709 limited range, with the
// exact (not fast) arithmetic and area averaging for the chroma.
void BM_capture_yuv420_swscale(benchmark::State& state) {
    Clip clip;
    showFrame(clip.tall, clip.canvas, 0);
    SwsContext* context =
        sws_getContext(width, height, AV_PIX_FMT_BGR0, width, height, AV_PIX_FMT_YUV420P,
                       SWS_AREA | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!context) {
        state.SkipWithError("sws_getContext failed");
        return;
    }
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(context, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    std::vector<uint8_t> planes(static_cast<size_t>(width) * height * 3 / 2);
    uint8_t* destination[3] = {planes.data(), planes.data() + width * height,
                               planes.data() + width * height * 5 / 4};
    const int destinationPitch[3] = {width, width / 2, width / 2};
    const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(clip.canvas.data())};
    const int sourcePitch[1] = {width * 4};
    for (auto _ : state) {
        sws_scale(context, source, sourcePitch, 0, height, destination, destinationPitch);
        benchmark::ClobberMemory();
    }
    sws_freeContext(context);
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_capture_yuv420_swscale);

} // namespace
