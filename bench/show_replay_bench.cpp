#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "demo/Assets.h"
#include "demo/ShowState.h"
#include "sync/FrameClock.h"
#include "sync/MusicSync.h"
#include "tools/BeatGrid.h"
#include "tools/ShowScript.h"

// The whole default show replayed at 60 steps per second without drawing:
// what seeking to its end costs. Only the script and the scroller's height
// matter to the steps; no picture is loaded.
namespace {

void BM_replayDefaultShowUndrawn(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path file = fs::temp_directory_path() / ("show_replay_" + std::to_string(getpid()));
    std::ofstream(file, std::ios::binary) << formatShowScript(composeShowScript());
    MusicSync store;
    store.readScript(file.c_str());
    fs::remove(file);
    scrollPicture.height = grid::scrollHeight;

    FrameClock clock(grid::sampleRate * grid::bytesPerFrame, grid::videoFramesPerSecond);
    clock.setLoopBytes(
        static_cast<uint32_t>(int64_t{grid::songBars} * grid::framesPerBar * grid::bytesPerFrame));
    int64_t steps = 0;
    for (auto _ : state) {
        ShowState show = freshShow(store);
        steps = 0;
        while (!show.quitPosted) {
            clock.setFrame(steps++);
            stepShow(show, store, clock.position(), nullptr);
        }
        benchmark::DoNotOptimize(show);
    }
    scrollPicture.height = 0;
    state.counters["steps"] = static_cast<double>(steps);
    if (steps != 10777) state.SkipWithError("the default show no longer ends in step 10776");
}
BENCHMARK(BM_replayDefaultShowUndrawn)->Unit(benchmark::kMillisecond);

} // namespace
