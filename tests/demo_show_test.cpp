#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "demo/AssetCheck.h"
#include "demo/Director.h"
#include "demo/SceneOne.h"
#include "demo/SceneTwo.h"
#include "demo/ShowFiles.h"
#include "demo_show_support.h"
#include "platform/MessageBox.h"
#include "support/loader_files.h"
#include "sync/FrameClock.h"

namespace {

using demotest::makeSolid;

// A short show at 60 frames per second of 44.1 kHz stereo: frame n (from 0)
// reads n × 2940. Track 4's first event fires in frame 35; 33 more follow
// (the blur window); the scroller is 40 rows high.
constexpr int32_t track4First = 100000;
constexpr int32_t scrollHeight = 40;

struct ScriptEvent {
    int32_t track, position, value, duration;
};

std::vector<ScriptEvent> showEvents() {
    std::vector<ScriptEvent> events = {{0, 5000, 255, 30}};
    for (int32_t i = 0; i < 16; ++i) events.push_back({2, 20000 + 4000 * i, beatValue, 1});
    for (int32_t i = 0; i < 9; ++i) events.push_back({3, 3000 + 3000 * i, 128, 10});
    for (int32_t i = 0; i <= 33; ++i) events.push_back({4, track4First + 50000 * i, 255, 20});
    return events;
}

// The frame (from 0) whose update fires an event at `position`.
constexpr int32_t frameFiring(int32_t position) {
    return position / 2940 + 1;
}

// Scene two frames (from 1) until the fade begins, for a scroller this high:
// the first in which the centre, stepping up 0.4 rows per frame from
// height / 2 + 256 and rounded to float each time, is above row -900.
int32_t sceneTwoFramesToFade(int32_t height) {
    float y = static_cast<float>(height / 2 + 256);
    for (int32_t frame = 1;; ++frame) {
        y = static_cast<float>(static_cast<double>(y) - 0.4);
        if (y < -900.0f) return frame;
    }
}

class DemoShow : public demotest::ShowTest {
  protected:
    // Runs frames as the capture does until the show posts its quit; returns
    // the number of the frame (from 0) that posted it.
    int32_t runUntilQuit(FrameClock& frameClock, int32_t limit) {
        int32_t frame = 0;
        for (; frame <= limit; ++frame) {
            sceneDirector();
            frameClock.advance();
            if (frame == lastSceneOneFrame) {
                EXPECT_EQ(state.sceneNumber, 1);
                EXPECT_EQ(cursor(4), 1);
                EXPECT_EQ(state.sceneOne.linesOn, 1);
                EXPECT_GE(state.sceneOne.cluvoIndex, 0);
            }
            if (frame == lastSceneOneFrame + 1) {
                EXPECT_EQ(state.sceneNumber, 2);
            }
            if (quitPosted()) break;
        }
        return frame;
    }

    void expectEnded(const FrameClock& frameClock) {
        EXPECT_EQ(quitPostCount(), 1);
        EXPECT_EQ(frameClock.volume(), 0);
        EXPECT_EQ(state.sceneTwo.fadeLevel, 255.0f);
        EXPECT_EQ(cursor(4), -1); // the blur window came and went
    }

    const int32_t lastSceneOneFrame = frameFiring(track4First);
    const int32_t quitFrame = lastSceneOneFrame + sceneTwoFramesToFade(scrollHeight) + 637;
};

TEST_F(DemoShow, SwitchesAndEndsByItselfInThePredictedFrames) {
    ASSERT_EQ(lastSceneOneFrame, 35);
    ASSERT_NEAR(quitFrame - lastSceneOneFrame, (scrollHeight / 2 + 1156) / 0.4 + 638, 2);
    makeSolid(texturePicture, 512, 4, 0x00302010);
    for (uint32_t i = 0; i < 8; ++i) makeSolid(cluvoPictures[i], 16, 8, 0x00100000 * (i + 1));
    for (uint32_t i = 0; i < 13; ++i) makeSolid(giraffePictures[i], 16, 8, 0x00001000 * (i + 1));
    makeSolid(cloudsPicture, 64, 32, 0x00404040);
    makeSolid(scrollPicture, 16, scrollHeight, 0x00FFFFFF);
    makeSolid(softPicture, 32, 16, 0x00C0C0C0);
    for (const ScriptEvent& e : showEvents()) addEvent(e.track, e.position, e.value, e.duration);
    seek();
    FrameClock frameClock(176400, 60);
    musicSync.useClock(&frameClock);

    EXPECT_EQ(runUntilQuit(frameClock, quitFrame + 10), quitFrame);
    expectEnded(frameClock);
}

// Changes the working directory for the life of the object.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::string& path) : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }

  private:
    std::filesystem::path previous;
};

void writeJpeg(const LoaderTempDir& dir, const std::string& name, int32_t width, int32_t height,
               uint32_t colour) {
    loaderWriteFile(
        dir.path(name),
        loaderEncodeRgbJpeg(width, height,
                            std::vector<uint32_t>(static_cast<size_t>(width) * height, colour)));
}

// The whole start-up from files: loadAssets reads the fixed list (one file
// missing, one too large for the canvas), the script and the frame clock
// drive the show, and it ends by itself in the predicted frame.
TEST_F(DemoShow, RunsFromItsFilesAndLeavesOutPicturesItCannotDraw) {
    LoaderTempDir dir;
    std::filesystem::create_directory(dir.path("data"));
    writeJpeg(dir, "data/final.jpg", 512, 4, 0x00102030);
    char name[40];
    for (int32_t i = 1; i <= 8; ++i) {
        std::snprintf(name, sizeof name, "data/Cluvo%02d.jpg", i);
        writeJpeg(dir, name, 16, 8, 0x00200000);
    }
    for (int32_t i = 1; i <= 12; ++i) { // giraffe13 is missing
        std::snprintf(name, sizeof name, "data/giraffe%02d.jpg", i);
        writeJpeg(dir, name, 16, 8, 0x00002000);
    }
    writeJpeg(dir, "data/clouds.jpg", 600, 300, 0x00404040);
    writeJpeg(dir, "data/scroll.jpg", 16, scrollHeight, 0x00FFFFFF);
    writeJpeg(dir, "data/soft.jpg", 32, 16, 0x00C0C0C0);
    std::string script = "script 1\npattern 5\n";
    for (int32_t track = 0; track < 5; ++track) {
        std::string lines;
        int32_t count = 0;
        for (const ScriptEvent& e : showEvents())
            if (e.track == track) {
                lines += std::to_string(e.position) + " " + std::to_string(e.value) + " " +
                         std::to_string(e.duration) + "\n";
                ++count;
            }
        script += "track" + std::to_string(track) + " " + std::to_string(count) + "\n" + lines;
    }
    loaderWriteFile(dir.path("data/data"), LoaderBytes(script.begin(), script.end()));

    WorkingDirectory inShow(dir.root());
    FrameClock frameClock(176400, 60);
    musicSync.useClock(&frameClock);
    testing::internal::CaptureStderr();
    loadAssets();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "data/giraffe13.jpg: could not be loaded (file doesn't exist)\n"
              "data/clouds.jpg: 600 × 300 does not fit the 512 × 256 canvas\n");
    EXPECT_EQ(texturePicture.width, 512);
    EXPECT_EQ(scrollPicture.height, scrollHeight);
    EXPECT_FALSE(isOnShow(cloudsPicture));
    EXPECT_TRUE(isOnShow(giraffePictures[11]));
    EXPECT_EQ(musicSync.patterns[0].eventCount[4], 34);

    EXPECT_EQ(runUntilQuit(frameClock, quitFrame + 10), quitFrame);
    expectEnded(frameClock);
}

// The pictures load on two threads, yet every line and the one box name the
// files in the show's order: every third file is missing, every third is
// not a JPEG (a decoder failure, listed in the box) and every third is a
// full-size JPEG cut short (slow to decode; it loads with a warning).
TEST_F(DemoShow, PicturesAreReportedInTheirOrderWhicheverThreadLoadsThem) {
    LoaderTempDir dir;
    std::filesystem::create_directory(dir.path("data"));
    const std::vector<std::string> names = showPictureFiles();
    std::vector<uint32_t> noise(512 * 256);
    for (size_t p = 0; p < noise.size(); ++p)
        noise[p] = static_cast<uint32_t>(p * 2654435761u) & 0x00FFFFFF;
    LoaderBytes cut = loaderEncodeRgbJpeg(512, 256, noise);
    cut.resize(cut.size() * 9 / 10);
    std::string wantSaid, wantBox;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i % 3 == 0) {
            wantSaid += names[i] + ": could not be loaded (file doesn't exist)\n";
        } else if (i % 3 == 1) {
            loaderWriteFile(dir.path(names[i]), loaderPngStart());
            wantSaid +=
                names[i] + ": could not be loaded (not a JPEG file: starts with 0x89 0x50)\n";
            wantBox += (wantBox.empty() ? "" : "\n") + names[i] +
                       ": Not a JPEG file: starts with 0x89 0x50";
        } else {
            loaderWriteFile(dir.path(names[i]), cut);
            Picture probe;
            const std::string warning =
                probe.loadChecked(dir.path(names[i]).c_str(), nullptr).warning;
            ASSERT_FALSE(warning.empty());
            wantSaid += names[i] + ": " + warning + "\n";
        }
    }

    WorkingDirectory inShow(dir.root());
    FrameClock frameClock(176400, 60);
    musicSync.useClock(&frameClock);
    std::vector<std::string> boxes;
    setMessageBoxHook([&](const char*, const char* text) { boxes.emplace_back(text); });
    // Several rounds: the threads finish in a different order each time.
    for (int round = 0; round < 8; ++round) {
        boxes.clear();
        testing::internal::CaptureStderr();
        loadAssets();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), wantSaid) << "round " << round;
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], wantBox) << "round " << round;
    }
    setMessageBoxHook(nullptr);
    EXPECT_FALSE(isOnShow(giraffePictures[0]));
    EXPECT_FALSE(isOnShow(giraffePictures[1]));
    EXPECT_TRUE(isOnShow(giraffePictures[2]));
}

} // namespace
