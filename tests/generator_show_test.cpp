// The generated show folder as a whole: every file of the asset list is there
// and readable at the sizes the show draws it, the soundtrack decodes to the
// length asked for without clipping, and generation is repeatable to the byte.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gfx/Picture.h"
#include "platform/Mp3Decode.h"
#include "tools/BeatGrid.h"
#include "tools/ShowGenerator.h"
#include "tools/ShowScript.h"

namespace {

namespace fs = std::filesystem;

// Seconds of soundtrack in the test runs; the pictures and the script are
// always complete.
constexpr double testSeconds = 2.5;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path freshFolder(const char* name) {
    fs::path folder = fs::temp_directory_path() /
                      (std::string("generator_test_") + name + "_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    return folder;
}

class GeneratorShow : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder = new fs::path(freshFolder("show"));
        std::string error;
        generated = generateShow(folder->string(), testSeconds, error);
        generateError = error;
    }
    static void TearDownTestSuite() {
        fs::remove_all(*folder);
        delete folder;
        folder = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(generated) << generateError; }

    static fs::path* folder;
    static bool generated;
    static std::string generateError;
};

fs::path* GeneratorShow::folder = nullptr;
bool GeneratorShow::generated = false;
std::string GeneratorShow::generateError;

} // namespace

TEST_F(GeneratorShow, EveryPictureLoadsAtASizeTheShowCanDraw) {
    int count = 0;
    const char* const* names = showPictureNames(count);
    ASSERT_EQ(count, 25);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(names[i]);
        Picture picture;
        const std::string path = (*folder / "data" / names[i]).string();
        ASSERT_EQ(picture.load(path.c_str()), loadSuccess);
        const std::string name = names[i];
        if (name == "final.jpg") {
            EXPECT_EQ(picture.width, 512);
            EXPECT_EQ(picture.height, 256); // a power of two, as the zoom needs
        } else if (name == "scroll.jpg") {
            EXPECT_EQ(picture.width, 512);
            EXPECT_EQ(picture.height, grid::scrollHeight);
        } else {
            // Drawn at (0, 0) unclipped, in pixel pairs.
            EXPECT_LE(picture.width, 512);
            EXPECT_LE(picture.height, 256);
            EXPECT_EQ(picture.width % 2, 0);
        }
        // Not blank: the sequences are mostly black, but each has something lit.
        int bright = 0;
        const size_t pixels = static_cast<size_t>(picture.width) * picture.height;
        for (size_t p = 0; p < pixels; ++p) {
            uint32_t c = picture.pixels[p];
            bright += ((c >> 16) & 0xFF) > 128 || ((c >> 8) & 0xFF) > 128 || (c & 0xFF) > 128;
        }
        EXPECT_GT(bright, 150);
    }
}

TEST_F(GeneratorShow, TextureRepeatsWithoutASeam) {
    Picture texture;
    ASSERT_EQ(texture.load((*folder / "data" / "final.jpg").c_str()), loadSuccess);
    const int w = texture.width, h = texture.height;
    auto channel = [&](int x, int y, int c) {
        return static_cast<int>((texture.pixels[static_cast<size_t>(y) * w + x] >> (8 * c)) & 0xFF);
    };
    // The step across the wrap (last column to first, last row to first) must
    // be no larger than a typical step between neighbours inside the picture.
    auto columnStep = [&](int a, int b) {
        double sum = 0;
        for (int y = 0; y < h; ++y)
            for (int c = 0; c < 3; ++c) sum += std::abs(channel(a, y, c) - channel(b, y, c));
        return sum / (h * 3);
    };
    auto rowStep = [&](int a, int b) {
        double sum = 0;
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) sum += std::abs(channel(x, a, c) - channel(x, b, c));
        return sum / (w * 3);
    };
    double inside = (columnStep(w / 2 - 1, w / 2) + rowStep(h / 2 - 1, h / 2)) / 2.0;
    EXPECT_LT(columnStep(w - 1, 0), inside * 1.6 + 2.0);
    EXPECT_LT(rowStep(h - 1, 0), inside * 1.6 + 2.0);
}

TEST_F(GeneratorShow, ScriptFileIsTheComposedScript) {
    EXPECT_EQ(readFile(*folder / "data" / "data"), formatShowScript(composeShowScript()));
}

TEST_F(GeneratorShow, SoundtrackDecodesGaplessToTheAskedLengthWithoutClipping) {
    DecodedAudio audio;
    std::string error;
    ASSERT_TRUE(decodeMp3File((*folder / "music.mp3").c_str(), audio, error)) << error;
    EXPECT_EQ(audio.rate, 44100);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_EQ(audio.frames(), static_cast<size_t>(testSeconds * 44100 + 0.5));
    int peak = 0;
    double energy = 0;
    for (int16_t s : audio.samples) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
        energy += static_cast<double>(s) * s;
    }
    EXPECT_LT(peak, 32767) << "clipped";
    double rms = std::sqrt(energy / static_cast<double>(audio.samples.size()));
    EXPECT_GT(rms, 300.0) << "the intro should be audible";
}

TEST(GeneratorRepeat, TwoRunsWriteTheSameBytes) {
    fs::path first = freshFolder("repeat_a"), second = freshFolder("repeat_b");
    std::string error;
    ASSERT_TRUE(generateShow(first.string(), 1.0, error)) << error;
    ASSERT_TRUE(generateShow(second.string(), 1.0, error)) << error;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(first)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        fs::path twin = second / fs::relative(entry.path(), first);
        EXPECT_EQ(readFile(entry.path()), readFile(twin)) << entry.path();
    }
    EXPECT_EQ(files, 27); // 25 pictures, the script and the soundtrack
    fs::remove_all(first);
    fs::remove_all(second);
}
