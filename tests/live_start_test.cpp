// Live play from --start, end to end: the real `demo --window --start T` in
// the default show, on SDL's dummy video driver, which saves every window it
// presents as a BMP file. The first frame presented must be, byte for byte,
// the frame an uninterrupted 60 fps run of the show draws at step
// floor(T × 60): every step from the start drawn, as a capture draws them.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "demo/Assets.h"
#include "demo/ShowState.h"
#include "demo_show_support.h"
#include "shell/LiveShow.h"
#include "sync/FrameClock.h"
#include "sync_support.h"
#include "tools/ShowGenerator.h"

namespace {

namespace fs = std::filesystem;
using Frame = std::vector<uint32_t>;

constexpr uint32_t rgbMask = 0x00FFFFFF;
// Without music.mp3 the show keeps time by the wall clock in 44.1 kHz stereo.
constexpr int32_t bytesPerSecond = 176400;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct LiveRun {
    int status = -1;
    std::string err;
    // The canvas of the first presented window (empty when none was saved),
    // and how many windows were presented.
    Frame first;
    int32_t presents = 0;
};

// The canvas part of a saved 512 × 384 window, as 0x00RRGGBB.
Frame canvasOfWindow(const fs::path& bmp) {
    SDL_Surface* loaded = SDL_LoadBMP(bmp.c_str());
    if (!loaded) return {};
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(loaded);
    if (!rgb) return {};
    Frame canvasPart;
    if (rgb->w == canvasWidth && rgb->h == canvasHeight + 128) {
        for (int32_t y = 0; y < canvasHeight; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(
                static_cast<const uint8_t*>(rgb->pixels) + (y + 64) * rgb->pitch);
            for (int32_t x = 0; x < canvasWidth; ++x) canvasPart.push_back(row[x] & rgbMask);
        }
    }
    SDL_FreeSurface(rgb);
    return canvasPart;
}

// Runs the live program in `folder` in a window of the dummy video driver,
// from `start`, for one present.
LiveRun runLive(const fs::path& folder, const std::string& start) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".bmp") fs::remove(entry.path());
    const std::string program = std::string(DEMO_BINARY_DIR) + "/demo";
    const fs::path err = folder / ".stderr";
    const std::string command =
        "cd '" + folder.string() +
        "' && env -u DEMO_REFRESH_HZ -u DEMO_FRAME_STATS -u DEMO_TEST_PATTERN "
        "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_VIDEO_DUMMY_SAVE_FRAMES=1 "
        "DEMO_QUIT_AFTER_FRAMES=1 '" +
        program + "' --window --start " + start + " >/dev/null 2>'" + err.string() + "'";
    LiveRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = readText(err);
    std::vector<fs::path> saved;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".bmp") saved.push_back(entry.path());
    std::sort(saved.begin(), saved.end()); // numbered from 00000001
    run.presents = static_cast<int32_t>(saved.size());
    if (!saved.empty()) run.first = canvasOfWindow(saved.front());
    return run;
}

// The show in `folder` loaded in this process and run from step 0 on a
// frame clock of its own, 60 steps per second, every step drawn. Keeps the
// frames of `wanted`, and for each of them the frame that step draws when
// it reads its position a few bytes late.
struct Uninterrupted {
    std::map<int64_t, Frame> frames;
    std::map<int64_t, Frame> readLate;
};

Frame canvasPixels() {
    return Frame(canvas.pixels, canvas.pixels + canvasWidth * canvasHeight);
}

// Loads the show in `folder` into this process, timed by `clock`.
void loadShow(const fs::path& folder, MusicClock& clock) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    musicSync.useClock(&clock);
    testing::internal::CaptureStderr(); // the show's own notes
    loadAssets();
    testing::internal::GetCapturedStderr();
    fs::current_path(previous);
}

Uninterrupted runUninterrupted(const fs::path& folder, const std::vector<int64_t>& wanted) {
    FrameClock clock(bytesPerSecond, 60);
    loadShow(folder, clock);

    Uninterrupted run;
    ShowState state = freshShow(musicSync);
    const int64_t last = *std::max_element(wanted.begin(), wanted.end());
    for (int64_t step = 0; step <= last; ++step) {
        clock.setFrame(step);
        const bool keep = std::find(wanted.begin(), wanted.end(), step) != wanted.end();
        if (keep) {
            ShowState late = state;
            stepShow(late, musicSync, clock.position() + 4, &canvas);
            run.readLate[step] = canvasPixels();
        }
        playShowFrame(state, musicSync, clock, &canvas);
        if (keep) run.frames[step] = canvasPixels();
    }
    musicSync.useClock(nullptr);
    return run;
}

int64_t firstDifference(const Frame& a, const Frame& b) {
    if (a.size() != b.size()) return -2;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] & rgbMask) != (b[i] & rgbMask)) return static_cast<int64_t>(i);
    return -1;
}

// The default show, made once for every case. Without its soundtrack it
// keeps time by the wall clock, as its whole song would, without the time
// it takes to make the song.
class LiveStart : public demotest::ShowTest {
  protected:
    static void SetUpTestSuite() {
        dir = new synctest::TempDir;
        std::string error;
        made = generateShow(dir->path.string(), 1.0, error);
        madeError = error;
        fs::remove(dir->path / "music.mp3");
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override {
        demotest::ShowTest::SetUp();
        ASSERT_TRUE(made) << madeError;
    }
    static fs::path folder() { return dir->path; }

    static inline synctest::TempDir* dir = nullptr;
    static inline bool made = false;
    static inline std::string madeError;
};

// 0:33.6 and 1:05.5 lie in scene one, 1:30 and 1:36 in scene two. At 0:33.6
// and 1:36 an event lies exactly on the step's position: it fires in the
// next step, and in this one for any reading past the position.
TEST_F(LiveStart, TheFirstFrameIsTheUninterruptedRunsFrameAtThatStep) {
    const std::vector<std::pair<std::string, int64_t>> starts = {
        {"33.6", 2016}, {"65.5", 3930}, {"1:30", 5400}, {"1:36", 5760}};
    std::vector<int64_t> wanted;
    for (const auto& [text, step] : starts) wanted.insert(wanted.end(), {step - 1, step, step + 1});
    const Uninterrupted expected = runUninterrupted(folder(), wanted);

    for (const auto& [text, step] : starts) {
        SCOPED_TRACE("--start " + text);
        const Frame& want = expected.frames.at(step);
        // The steps either side look different, so a start one step off
        // shows.
        ASSERT_NE(firstDifference(expected.frames.at(step - 1), want), -1);
        ASSERT_NE(firstDifference(expected.frames.at(step + 1), want), -1);
        if (step == 2016 || step == 5760) {
            ASSERT_NE(firstDifference(expected.readLate.at(step), want), -1)
                << "a late reading of the clock shows";
        }

        const LiveRun run = runLive(folder(), text);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.presents, 1) << run.err;
        ASSERT_EQ(run.first.size(), want.size()) << "no 512 x 384 window was saved";
        EXPECT_EQ(firstDifference(run.first, want), -1);
    }
}

// The first step after the start reads its step's exact position, whatever
// the soundtrack reads by then (it may have played on a little); every step
// after it reads the soundtrack.
TEST_F(LiveStart, OnlyTheFirstStepReadsTheStepsOwnPosition) {
    constexpr int64_t start = 2016; // an event lies on its position
    constexpr uint32_t bytesPerStep = bytesPerSecond / 60;
    const Uninterrupted expected = runUninterrupted(folder(), {start, start + 1});
    ASSERT_NE(firstDifference(expected.readLate.at(start), expected.frames.at(start)), -1);

    synctest::ManualClock soundtrack;
    loadShow(folder(), soundtrack);
    LiveShow show;
    ASSERT_TRUE(show.startAt(start));
    const LiveSteps steps = show.steps();
    soundtrack.now = start * bytesPerStep + 4;
    steps.draw(canvas);
    EXPECT_EQ(firstDifference(canvasPixels(), expected.frames.at(start)), -1);
    soundtrack.now = (start + 1) * bytesPerStep;
    steps.draw(canvas);
    EXPECT_EQ(firstDifference(canvasPixels(), expected.frames.at(start + 1)), -1);
}

// The default show posts its quit in step 10776 (2:59.6): a start past it is
// refused with one line.
TEST_F(LiveStart, AStartPastTheEndIsRefused) {
    const LiveRun run = runLive(folder(), "3:00");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.presents, 0);
    // The note on the missing soundtrack aside, one line says why.
    std::istringstream lines(run.err);
    std::vector<std::string> said;
    for (std::string line; std::getline(lines, line);)
        if (line.find("no sound") == std::string::npos) said.push_back(line);
    ASSERT_EQ(said.size(), 1u) << run.err;
    EXPECT_NE(said[0].find("past the show's end"), std::string::npos) << run.err;
}

} // namespace
