// The studio's parts that stand alone: show times on the command line, the
// script check behind a reload, the reload keeping the last good files, the
// file watch, and the overlay staying out of the canvas.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "demo/Assets.h"
#include "display/DisplayDevice.h"
#include "display/OverlayPainter.h"
#include "display/Present.h"
#include "platform/Soundtrack.h"
#include "shell/FileWatch.h"
#include "shell/Music.h"
#include "shell/Options.h"
#include "shell/ShowSeek.h"
#include "shell/ShowTime.h"
#include "shell/StudioReload.h"
#include "support/display_sdl_fixture.h"
#include "support/loader_files.h"
#include "sync/ScriptCheck.h"
#include "sync_support.h"

namespace {

namespace fs = std::filesystem;

TEST(StudioShowTime, ReadsSecondsAndMinutesExactlyAndRefusesTheRest) {
    EXPECT_EQ(parseShowTime("65.5"), int64_t{65'500'000'000});
    EXPECT_EQ(parseShowTime("1:05.5"), int64_t{65'500'000'000});
    EXPECT_EQ(parseShowTime("1:05.500"), int64_t{65'500'000'000});
    EXPECT_EQ(parseShowTime("0"), int64_t{0});
    EXPECT_EQ(parseShowTime("2:00"), int64_t{120'000'000'000});
    EXPECT_EQ(parseShowTime("0.000000001"), int64_t{1});
    for (const char* bad : {"", ".", "-1", "+1", "1e3", "1:60", "1:5:00", "1.2.3", ":05",
                            "1:", " 1", "1 ", "0.0000000001", "100001", "abc"})
        EXPECT_FALSE(parseShowTime(bad)) << "'" << bad << "'";

    // The step is the last one begun by then: floor(t × 60), exactly.
    EXPECT_EQ(stepAtTime(*parseShowTime("65.5"), 60), 3930);
    EXPECT_EQ(stepAtTime(*parseShowTime("0.0166"), 60), 0);
    EXPECT_EQ(stepAtTime(*parseShowTime("0.016667"), 60), 1);
    EXPECT_EQ(stepAtTime(*parseShowTime("1:17.9"), 30), 2337);
    EXPECT_EQ(formatStepTime(3930), "1:05.50");
    EXPECT_EQ(formatStepTime(59), "0:00.98");
}

Options parse(std::vector<const char*> args) {
    args.insert(args.begin(), "demo");
    return parseOptions(static_cast<int>(args.size()), args.data());
}

TEST(StudioOptions, StudioAndStartTakeTheirPlaces) {
    Options o = parse({"--studio", "--start", "1:05.5"});
    EXPECT_EQ(o.action, Options::Action::live) << o.error;
    EXPECT_TRUE(o.studio);
    EXPECT_EQ(o.startNanos, int64_t{65'500'000'000});
    o = parse({"--frames", "pngs", "--start=3"});
    EXPECT_EQ(o.action, Options::Action::capture) << o.error;
    EXPECT_EQ(o.startNanos, int64_t{3'000'000'000});

    for (const auto& bad : std::vector<std::vector<const char*>>{{"--studio", "--capture", "a.mkv"},
                                                                 {"--start", "x"},
                                                                 {"--start"},
                                                                 {"--start", "1", "--start", "2"},
                                                                 {"--studio=1"}}) {
        o = parse(bad);
        EXPECT_EQ(o.action, Options::Action::error) << bad[0];
        EXPECT_FALSE(o.error.empty());
    }
}

TEST(StudioScriptCheck, NamesTheLineAndWhatWasExpected) {
    synctest::TempDir dir;
    const std::string good = dir.write("good", "sync 1\npattern 2\n t0 1\n 100 255 4\n t1 0\n");
    EXPECT_EQ(scriptProblem(good.c_str()), "");
    EXPECT_EQ(scriptProblem(dir.write("empty", "").c_str()), "");
    // Counts beyond the store's limits are cut, not refused.
    std::string many = "s 1\np 7\n";
    for (int i = 0; i < 7; ++i) many += "t 0\n";
    EXPECT_EQ(scriptProblem(dir.write("many", many).c_str()), "");

    const std::string word =
        scriptProblem(dir.write("word", "s 1\np 1\nt 1\n100 loud 4\n").c_str());
    EXPECT_NE(word.find("line 4"), std::string::npos) << word;
    EXPECT_NE(word.find("'loud'"), std::string::npos) << word;
    EXPECT_NE(word.find("value"), std::string::npos) << word;
    const std::string cut = scriptProblem(dir.write("cut", "s 1\np 2\nt 1\n100 3\n").c_str());
    EXPECT_NE(cut.find("ends"), std::string::npos) << cut;
    EXPECT_NE(cut.find("duration"), std::string::npos) << cut;
    EXPECT_NE(scriptProblem(dir.file("missing").c_str()).find("cannot open"), std::string::npos);
}

// Changes are handed over once, after the folder has been quiet long enough.
TEST(StudioFileWatch, ChangesSettleBeforeTheyAreReported) {
    using namespace std::chrono_literals;
    ChangeDebounce debounce(100ms);
    const auto t0 = ChangeDebounce::Clock::now();
    debounce.changed("data/data", t0);
    debounce.changed("data/data", t0 + 60ms);
    debounce.changed("music.mp3", t0 + 90ms);
    EXPECT_TRUE(debounce.settled(t0 + 150ms).empty());
    EXPECT_EQ(debounce.settled(t0 + 190ms), (std::vector<std::string>{"data/data", "music.mp3"}));
    EXPECT_TRUE(debounce.settled(t0 + 500ms).empty());

    synctest::TempDir dir;
    fs::create_directories(dir.path / "data");
    FileWatch watch(20ms);
    std::string error;
    ASSERT_TRUE(watch.watch({dir.path.string(), (dir.path / "data").string()}, error)) << error;
    dir.write("data/data", "s 0\n");
    std::vector<std::string> seen;
    for (int i = 0; i < 100 && seen.empty(); ++i) {
        std::this_thread::sleep_for(10ms);
        seen = watch.poll();
    }
    EXPECT_EQ(seen, std::vector<std::string>{(dir.path / "data").string() + "/data"});
}

class WorkingDirectory {
  public:
    explicit WorkingDirectory(const fs::path& path) : previous(fs::current_path()) {
        fs::current_path(path);
    }
    ~WorkingDirectory() { fs::current_path(previous); }

  private:
    fs::path previous;
};

// A file that fails to load leaves the last good version in place and says
// why; a good one replaces it.
TEST(StudioReload, KeepsTheLastGoodVersionOfAFileThatFails) {
    synctest::TempDir dir;
    dir.write("data/data", "s 1\np 1\nt 1\n100 7 0\n");
    std::vector<uint32_t> pixels(32 * 16, 0x00336699);
    loaderWriteFile(dir.file("data/soft.jpg"), loaderEncodeRgbJpeg(32, 16, pixels));
    WorkingDirectory inside(dir.path);
    StudioFiles files;

    StudioFiles::Report report = files.reload({"data/data", "data/soft.jpg", "data/other.txt"});
    EXPECT_TRUE(report.changed);
    EXPECT_FALSE(report.failed) << report.text;
    EXPECT_EQ(files.store().patterns[0].events[0][0].value, 7);
    ASSERT_NE(softPicture.pixels, nullptr);
    EXPECT_EQ(softPicture.width, 32);
    const uint32_t* goodPixels = softPicture.pixels;

    dir.write("data/data", "s 1\np 1\nt 1\n100 8 oops\n");
    dir.write("data/soft.jpg", "not a picture");
    report = files.reload({"data/data", "data/soft.jpg"});
    EXPECT_FALSE(report.changed);
    EXPECT_TRUE(report.failed);
    EXPECT_NE(report.text.find("'oops'"), std::string::npos) << report.text;
    EXPECT_NE(report.text.find("data/soft.jpg"), std::string::npos) << report.text;
    EXPECT_EQ(files.store().patterns[0].events[0][0].value, 7);
    EXPECT_EQ(softPicture.pixels, goodPixels);

    EXPECT_TRUE(StudioFiles::isShowFile("data/giraffe13.jpg"));
    EXPECT_FALSE(StudioFiles::isShowFile("data/giraffe14.jpg"));
    softPicture.releasePixels();
    softPicture.width = softPicture.height = 0;
}

// Reloading music.mp3 starts the soundtrack again; on a driver with a single
// output (SDL's dummy driver, like some sound cards) the second start must
// still get it, not fall back to silence.
TEST(StudioReload, AStartedAgainSoundtrackGetsTheOutput) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    synctest::TempDir dir;
    const std::string path = dir.file("music.mp3");
    ASSERT_TRUE(synctest::writeMp3(path, synctest::tone(44100, 2, 22050, 440.0), 44100, 2));
    MusicSync store;
    store.setMusicStarter(soundtrackStarter());
    for (int32_t start = 0; start < 2; ++start) {
        testing::internal::CaptureStderr();
        store.startMusic(path.c_str());
        const std::string said = testing::internal::GetCapturedStderr();
        const Soundtrack* soundtrack = playedSoundtrack(store.clock);
        ASSERT_NE(soundtrack, nullptr);
        EXPECT_TRUE(soundtrack->hasSound()) << "start " << start << ": " << said;
    }
}

using StudioOverlay = DisplaySdlTest;

// The overlay is laid over the window's picture only: the canvas and the
// back buffer hold the same bytes with it as without it.
TEST_F(StudioOverlay, LeavesTheCanvasAndTheBackBufferUnchanged) {
    DisplayDevice device;
    device.init(makeWindow(), 512, 384, 32, 32, false, SDL_PIXELFORMAT_XRGB8888);
    const auto draw = [](Bitmap& target) {
        for (int32_t i = 0; i < target.width * target.height; ++i)
            target.pixels[i] = static_cast<uint32_t>(i) * 2654435761u;
    };
    const size_t bytes = device.backBufferBytes();
    renderFrame(device, canvas, canvasOwnPixels, draw);
    const std::vector<uint8_t> without(device.backBuffer, device.backBuffer + bytes);

    OverlayPainter painter;
    OverlayContent content;
    content.time = "1:05.50";
    content.envelopes = {255, 0, 128, 64, 32};
    content.reload = "kept the last good version";
    content.reloadFailed = true;
    const std::vector<uint32_t>& image = painter.paint(content);
    EXPECT_NE(std::count_if(image.begin(), image.end(), [](uint32_t p) { return p >> 24 == 0xFF; }),
              0)
        << "the bars (and the text) are opaque";
    device.overlay.show(image.data(), OverlayPainter::width, OverlayPainter::height);
    renderFrame(device, canvas, canvasOwnPixels, draw);
    EXPECT_TRUE(device.overlay.shown());
    EXPECT_TRUE(std::equal(without.begin(), without.end(), device.backBuffer));
    device.release();
    // The canvas pointed into the released back buffer.
    canvas.pixels = canvasOwnPixels;
}

} // namespace
