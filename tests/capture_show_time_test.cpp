// The default show captured in this process at the common frame rates: every
// capture lasts as long as the show, whatever its rate.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "demo/Assets.h"
#include "gfx/SimdLevel.h"
#include "shell/Capture.h"
#include "shell/Shell.h"
#include "tools/ShowGenerator.h"

namespace {

namespace fs = std::filesystem;

constexpr bool sanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

// The default show ends in its step 10776 (as the whole 60 fps capture of it
// checks end to end). Without outputs only the drawing is timed, some 45,000
// frames in all: release tree with the fastest kernels only.
TEST(CaptureShowTime, EveryRateEndsAtTheSameShowTime) {
    if (sanitizedBuild() || simdLevel() == SimdLevel::scalar)
        GTEST_SKIP() << "release tree, fastest kernels only";
    const fs::path folder =
        fs::temp_directory_path() / ("capture_show_time_" + std::to_string(::getpid()));
    std::string error;
    ASSERT_TRUE(generateShow(folder.string(), 1.0, error)) << error;
    // Without music.mp3 the capture keeps time at 44.1 kHz stereo, as the
    // default soundtrack does, and never starts the soundtrack over.
    fs::remove(folder / "music.mp3");
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    if (!canvasOwnPixels) {
        if (canvas.pixels)
            canvasOwnPixels = canvas.pixels;
        else
            createCanvas();
    }

    constexpr int64_t quitStep = 10776;
    const double showSeconds = static_cast<double>(quitStep) / 60.0;
    testing::internal::CaptureStderr(); // the note on the missing music
    for (const int32_t fps : {24, 25, 30, 50, 60, 120}) {
        SCOPED_TRACE(testing::Message() << fps << " fps");
        ShowCapture capture;
        ShowCapture::Settings settings;
        settings.framesPerSecond = fps;
        ASSERT_TRUE(capture.open(settings, error)) << error;
        while (!capture.atLimit() && capture.captureFrame(error) && !capture.showEnded()) {
        }
        EXPECT_TRUE(capture.showEnded()) << error;
        EXPECT_EQ(capture.shownStep(), quitStep);
        EXPECT_EQ(capture.forecastQuit(), capture.frames() - 1);
        // The last frame's moment is the first at or past the quit's.
        const double lastMoment = static_cast<double>(capture.frames() - 1) / fps;
        EXPECT_GE(lastMoment, showSeconds - 1e-9);
        EXPECT_LT(lastMoment, showSeconds + 1.0 / fps);
        EXPECT_TRUE(capture.finish(error)) << error;
    }
    testing::internal::GetCapturedStderr();
    fs::current_path(previous);
    fs::remove_all(folder);
}

} // namespace
