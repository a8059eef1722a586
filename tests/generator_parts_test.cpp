// The generator's building blocks: the soundtrack keeps to the beat grid the
// script is built on, noise tiles, text is placed where asked, and the file
// writers report failures instead of leaving broken files behind silently.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/BeatGrid.h"
#include "tools/Image.h"
#include "tools/JpegWriter.h"
#include "tools/Mp3Writer.h"
#include "tools/Noise.h"
#include "tools/Pictures.h"
#include "tools/ShowScript.h"
#include "tools/Song.h"
#include "tools/TextRenderer.h"

namespace {

// Mean square of the mid channel over [from, from + count) sample frames.
double energy(const std::vector<int16_t>& pcm, int64_t from, int64_t count) {
    double sum = 0;
    for (int64_t i = from; i < from + count; ++i) {
        double mid = (pcm[static_cast<size_t>(i) * 2] + pcm[static_cast<size_t>(i) * 2 + 1]) / 2.0;
        sum += mid * mid;
    }
    return sum / static_cast<double>(count);
}

} // namespace

TEST(GeneratorSong, KicksLandOnTheBeatsTheScriptUses) {
    // The build (bars 8 to 15) has a kick on every beat: each must start right
    // at its beat, where the texture's pulse fires, not between beats.
    const double seconds = grid::frameOfBar(grid::build + 2) / double(grid::sampleRate);
    const std::vector<int16_t> pcm = renderSong(seconds);
    ASSERT_EQ(pcm.size(), static_cast<size_t>(seconds * grid::sampleRate + 0.5) * 2);
    const int64_t window = grid::sampleRate / 100; // 10 ms
    for (int32_t beat = grid::build * 4; beat < (grid::build + 2) * 4; ++beat) {
        SCOPED_TRACE("beat " + std::to_string(beat));
        const int64_t at = grid::frameOfBeat(beat);
        EXPECT_GT(energy(pcm, at, window), 8.0 * energy(pcm, at - window, window));
        // The script's texture pulse for this beat sits on the same sample.
        EXPECT_EQ(positionOfBeat(beat), at * grid::bytesPerFrame);
    }
}

TEST(GeneratorSong, PeakIsScaledBelowFullScale) {
    const std::vector<int16_t> pcm = renderSong(20.0);
    int peak = 0;
    for (int16_t s : pcm) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_NEAR(peak, songPeak * 32767, 1.0);
}

TEST(GeneratorNoise, RepeatsAfterItsPeriodAtEveryOctave) {
    TileableNoise noise(5, 4, 2);
    double largest = 0;
    for (double y = -3.0; y < 3.0; y += 0.173) {
        for (double x = -5.0; x < 5.0; x += 0.211) {
            double v = noise.at(x, y);
            largest = std::max(largest, std::fabs(v));
            ASSERT_NEAR(noise.at(x + 4.0, y), v, 1e-9);
            ASSERT_NEAR(noise.at(x, y - 2.0), v, 1e-9);
            ASSERT_NEAR(noise.fractal(x + 4.0, y + 2.0, 5), noise.fractal(x, y, 5), 1e-9);
        }
    }
    EXPECT_GT(largest, 0.3) << "noise that is flat everywhere";
    EXPECT_LT(largest, 1.6);
}

TEST(GeneratorText, CentredLineIsCentredAndMissingFontsAreReported) {
    TextRenderer text;
    std::string error;
    EXPECT_FALSE(text.loadFont("/nonexistent/font.ttf", error));
    EXPECT_NE(error.find("/nonexistent/font.ttf"), std::string::npos);
    ASSERT_TRUE(text.loadFont(pictures::boldFont, error)) << error;
    text.setPixelSize(32);
    Image image(512, 64);
    text.drawCentred(image, "WAVE TAV", 256, 44, {1, 1, 1}, {1, 1, 1});
    int32_t left = 512, right = -1, top = 64, bottom = -1;
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 512; ++x)
            if (image.at(x, y).r > 0.5f) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, left) << "nothing drawn";
    EXPECT_NEAR((left + right) / 2.0, 256.0, 3.0);
    EXPECT_NEAR(right - left + 1, text.measure("WAVE TAV"), 4.0);
    EXPECT_LE(bottom, 44) << "capitals sit on the baseline";
    EXPECT_GE(top, 44 - 32);
}

TEST(GeneratorWriters, UnwritablePathsAreReportedAsFailures) {
    std::string error;
    EXPECT_FALSE(writeJpeg(Image(16, 16), "/nonexistent/dir/a.jpg", error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(writeMp3(std::vector<int16_t>(4410, 0), "/nonexistent/dir/a.mp3", error));
    EXPECT_FALSE(error.empty());
}

TEST(GeneratorWriters, ProgramRefusesBadArgumentsAndWritesAShow) {
    const std::string program = std::string(DEMO_BINARY_DIR) + "/make-show";
    ASSERT_TRUE(std::filesystem::exists(program)) << "build the make-show target";
    auto exitCode = [](const std::string& command) {
        int status = std::system((command + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(exitCode(program), 2);
    EXPECT_EQ(exitCode(program + " x --seconds"), 2);
    EXPECT_EQ(exitCode(program + " x --seconds -3"), 2);
    EXPECT_EQ(exitCode(program + " x --seconds 2s"), 2);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("generator_cli_" + std::to_string(::getpid()));
    // A folder that cannot be made, since a plain file stands in its way.
    std::filesystem::remove_all(folder);
    std::ofstream(folder.string()) << "in the way";
    EXPECT_EQ(exitCode(program + " " + folder.string() + "/show --seconds 0.5"), 1);
    std::filesystem::remove(folder);
    EXPECT_EQ(exitCode(program + " " + folder.string() + " --seconds 0.5"), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "music.mp3"));
    EXPECT_TRUE(std::filesystem::exists(folder / "data" / "soft.jpg"));
    std::filesystem::remove_all(folder);
}
