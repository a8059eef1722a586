#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/Capture.h"
#include "tools/ShowGenerator.h"

// The whole default show captured as the program's capture mode does it, in
// this process: drawing alone, then drawing with the video written to .mp4
// and to .mkv, and as PNG files. One iteration is the whole show (10,777 frames at 60 fps);
// loading it (decoding the soundtrack, reading the pictures) is left out.
// Wall time, since the encoders run threads of their own; the CPU column is
// the whole process's (every thread), which tells what the capture costs
// apart from what else the machine is doing. Counters: frames_per_s,
// x_real_time (seconds of show per second of wall time), x_real_time_cpu
// (per second of CPU time, all threads), and from the capture's own split
// the drawing and the writing rates (writing: the time spent handing frames
// to the writers, which encode on threads of their own and make the capture
// wait only when their queues are full).
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

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// `videoName`: a file in the temporary folder, or null for no video;
// `framesName` likewise a folder for PNG frames.
void captureWholeShow(benchmark::State& state, const char* videoName,
                      const char* framesName = nullptr) {
    if (!enterDefaultShow(state)) return;
    const std::string video =
        videoName ? (fs::temp_directory_path() / videoName).string() : std::string();
    const std::string framesDir =
        framesName ? (fs::temp_directory_path() / framesName).string() : std::string();
    int64_t frames = 0;
    double drawing = 0.0, writing = 0.0, cpu = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        ShowCapture capture;
        ShowCapture::Settings settings;
        settings.videoPath = video;
        settings.framesDir = framesDir;
        std::string error;
        if (!capture.open(settings, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        state.ResumeTiming();
        const double cpuBefore = processCpuSeconds();
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
        cpu += processCpuSeconds() - cpuBefore;
        frames += capture.frames();
        drawing += capture.renderSeconds();
        writing += capture.writeSeconds();
    }
    if (!video.empty()) fs::remove(video);
    if (!framesDir.empty()) fs::remove_all(framesDir);
    const double perIteration = static_cast<double>(frames) / state.iterations();
    state.counters["frames"] = perIteration;
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["x_real_time"] =
        benchmark::Counter(static_cast<double>(frames) / 60.0, benchmark::Counter::kIsRate);
    state.counters["x_real_time_cpu"] = cpu > 0 ? static_cast<double>(frames) / 60.0 / cpu : 0.0;
    state.counters["draw_fps"] = drawing > 0 ? static_cast<double>(frames) / drawing : 0.0;
    if (!video.empty() || !framesDir.empty())
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
// Every frame as a PNG file (--frames), on the writer's worker threads.
void BM_CaptureShow_Png(benchmark::State& state) {
    captureWholeShow(state, nullptr, "capture_bench_frames");
}

BENCHMARK(BM_CaptureShow_DrawOnly)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);
BENCHMARK(BM_CaptureShow_Mp4)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);
BENCHMARK(BM_CaptureShow_Mkv)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);

BENCHMARK(BM_CaptureShow_Png)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);

} // namespace
