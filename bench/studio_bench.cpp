#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "demo/Assets.h"
#include "demo/ShowPictures.h"
#include "demo/ShowReplay.h"
#include "shell/Shell.h"
#include "shell/ShowSeek.h"
#include "shell/StudioReload.h"
#include "shell/StudioSession.h"
#include "tools/ShowGenerator.h"

// The studio in the default show: a seek to a random step (the replay from
// the start and the drawing of the frame it lands on), and a reload of the
// show's files followed by the replay to the step on screen and its frame.
// The show is made once in a temporary folder and loaded as the program loads
// it (on SDL's dummy audio driver, so no sound card is needed).
namespace {

namespace fs = std::filesystem;

// Stands in for the soundtrack; the seek's own cost is what is measured.
class QuietTransport : public StudioTransport {
  public:
    uint32_t position() override { return 0; }
    void setVolume(int32_t) override {}
    void playFrom(uint32_t) override {}
    void pause() override {}
    void resume() override {}
};

bool enterLoadedShow(benchmark::State& state) {
    static std::string folder;
    static std::string problem;
    if (folder.empty() && problem.empty()) {
        const fs::path where =
            fs::temp_directory_path() / ("studio_bench_show_" + std::to_string(::getpid()));
        std::string error;
        if (generateShow(where.string(), 0.0, error)) {
            folder = where.string();
            std::atexit([] { fs::remove_all(folder); });
            fs::current_path(folder);
            setenv("SDL_AUDIODRIVER", "dummy", 0);
            initDemo();
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

void loadSession(StudioSession& session, const MusicSync& store) {
    const FrameClock clock = stepClockOf(*musicSync.clock);
    session.load(store, clock, lastSeekableStep(store, clock, seekLimitSteps()));
}

void BM_studioSeekDefaultShow(benchmark::State& state) {
    if (!enterLoadedShow(state)) return;
    QuietTransport sound;
    StudioSession session(sound);
    loadSession(session, musicSync);
    std::mt19937 random(1);
    for (auto _ : state) {
        session.seek(
            static_cast<int64_t>(random() % static_cast<uint32_t>(session.lastStep() + 1)));
        session.drawFrame(canvas);
    }
    state.counters["last_step"] = static_cast<double>(session.lastStep());
}
BENCHMARK(BM_studioSeekDefaultShow)->Unit(benchmark::kMillisecond);

// Argument 0: the script alone (data/data changed); 1: every file, pictures
// and music included (R); 2: the script and every picture, not the music.
void BM_studioReloadDefaultShow(benchmark::State& state) {
    if (!enterLoadedShow(state)) return;
    QuietTransport sound;
    StudioSession session(sound);
    StudioFiles files;
    loadSession(session, files.store());
    session.seek(session.lastStep() - 1);
    session.drawFrame(canvas);
    std::vector<std::string> which;
    if (state.range(0) == 0) which = {"data/data"};
    if (state.range(0) == 2) {
        which = {"data/data"};
        for (const ShowPictureSlot& slot : showPictureSlots()) which.push_back(slot.fileName);
    }
    for (auto _ : state) {
        const StudioFiles::Report report = files.reload(which);
        if (report.failed) state.SkipWithError(report.text.c_str());
        loadSession(session, files.store());
        session.drawFrame(canvas);
    }
}
BENCHMARK(BM_studioReloadDefaultShow)->Arg(0)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
