#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/Capture.h"
#include "tools/ShowGenerator.h"

// The whole default show captured as the program's capture mode does it, in
// this process: drawing alone, then drawing with the video written to .mp4
// and to .mkv. One iteration is the whole show (10,777 frames at 60 fps);
// loading it (decoding the soundtrack, reading the pictures) is left out.
// Wall time, since the encoders run threads of their own. Counters:
// frames_per_s, x_real_time (seconds of show per second), and from the
// capture's own split the drawing and the writing rates.
namespace {

namespace fs = std::filesystem;

// The default show, made once per process in a temporary folder, which
// becomes the working directory (the show is read from there).
bool enterDefaultShow(benchmark::State& state) {
    static std::string folder;
    static std::string problem;
    if (folder.empty() && problem.empty()) {
        const fs::path where =
            fs::temp_directory_path() / ("capture_bench_show_" + std::to_string(::getpid()));
        std::string error;
        if (generateShow(where.string(), 0.0, error)) {
            folder = where.string();
            std::atexit([] { fs::remove_all(folder); });
        } else {
            problem = "the default show could not be made: " + error;
        }
    }
    if (!problem.empty()) {
        state.SkipWithError(problem.c_str());
        return false;
    }
    fs::current_path(folder);
    return true;
}

void captureWholeShow(benchmark::State& state, const char* videoName) {
    if (!enterDefaultShow(state)) return;
    const std::string video =
        videoName ? (fs::temp_directory_path() / videoName).string() : std::string();
    int64_t frames = 0;
    double drawing = 0.0, writing = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        ShowCapture capture;
        ShowCapture::Settings settings;
        settings.videoPath = video;
        std::string error;
        if (!capture.open(settings, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        state.ResumeTiming();
        while (!capture.atLimit()) {
            if (!capture.captureFrame(error)) {
                state.SkipWithError(error.c_str());
                return;
            }
            if (capture.showEnded()) break;
        }
        if (!capture.finish(error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        frames += capture.frames();
        drawing += capture.renderSeconds();
        writing += capture.writeSeconds();
    }
    if (!video.empty()) fs::remove(video);
    const double perIteration = static_cast<double>(frames) / state.iterations();
    state.counters["frames"] = perIteration;
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["x_real_time"] =
        benchmark::Counter(static_cast<double>(frames) / 60.0, benchmark::Counter::kIsRate);
    state.counters["draw_fps"] = drawing > 0 ? static_cast<double>(frames) / drawing : 0.0;
    if (!video.empty())
        state.counters["write_fps"] = writing > 0 ? static_cast<double>(frames) / writing : 0.0;
}

void BM_CaptureShow_DrawOnly(benchmark::State& state) {
    captureWholeShow(state, nullptr);
}
void BM_CaptureShow_Mp4(benchmark::State& state) {
    captureWholeShow(state, "capture_bench_show.mp4");
}
void BM_CaptureShow_Mkv(benchmark::State& state) {
    captureWholeShow(state, "capture_bench_show.mkv");
}

BENCHMARK(BM_CaptureShow_DrawOnly)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_CaptureShow_Mp4)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_CaptureShow_Mkv)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace
