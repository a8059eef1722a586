// Frames written as PNG files and read back with libpng.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/PngFrameQueue.h"
#include "capture/PngFrames.h"
#include "sync_support.h"

namespace {

namespace fs = std::filesystem;

struct ReadBack {
    bool ok = false;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB
};

ReadBack readPng(const std::string& path) {
    ReadBack result;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return result;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return result;
    result.width = static_cast<int32_t>(image.width);
    result.height = static_cast<int32_t>(image.height);
    result.pixels.resize(rgb.size() / 3);
    for (size_t i = 0; i < result.pixels.size(); ++i)
        result.pixels[i] =
            uint32_t{rgb[3 * i]} << 16 | uint32_t{rgb[3 * i + 1]} << 8 | rgb[3 * i + 2];
    result.ok = true;
    return result;
}

// A canvas-sized picture in which every channel of every pixel differs from
// its neighbours, with the fourth byte set, which the file must leave out.
std::vector<uint32_t> pattern(int32_t width, int32_t height) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] =
                0xA5000000u | static_cast<uint32_t>((x * 3 + y) & 255) << 16 |
                static_cast<uint32_t>((y * 5 ^ x) & 255) << 8 |
                static_cast<uint32_t>((x + y * 7) & 255);
    return pixels;
}

TEST(CapturePng, FramesReadBackAsTheCanvasWithoutTheFourthByte) {
    synctest::TempDir dir;
    PngFrames frames;
    std::string error;
    const std::string folder = dir.file("made/on/demand");
    ASSERT_TRUE(frames.open(folder, error)) << error;
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(frames.pathOf(0), folder + "/frame-000000.png");
    EXPECT_EQ(frames.pathOf(42), folder + "/frame-000042.png");
    EXPECT_EQ(frames.pathOf(1234567), folder + "/frame-1234567.png");

    const std::vector<uint32_t> canvas = pattern(512, 256);
    for (int64_t frame : {0, 1}) {
        ASSERT_TRUE(frames.write(frame, canvas.data(), 512, 256, error)) << error;
        const ReadBack back = readPng(frames.pathOf(frame));
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(back.width, 512);
        EXPECT_EQ(back.height, 256);
        for (size_t i = 0; i < canvas.size(); ++i)
            ASSERT_EQ(back.pixels[i], canvas[i] & 0x00FFFFFF) << "pixel " << i;
    }
    // An existing folder is used as it is.
    PngFrames again;
    EXPECT_TRUE(again.open(folder + "/", error)) << error;
    EXPECT_EQ(again.pathOf(3), folder + "/frame-000003.png");
}

TEST(CapturePng, RowsAreTakenAPitchApart) {
    synctest::TempDir dir;
    const std::vector<uint32_t> wide = pattern(40, 6);
    std::string error;
    ASSERT_TRUE(writePng(dir.file("part.png"), wide.data(), 25, 6, 40, error)) << error;
    const ReadBack back = readPng(dir.file("part.png"));
    ASSERT_TRUE(back.ok);
    ASSERT_EQ(back.width, 25);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 25; ++x)
            ASSERT_EQ(back.pixels[y * 25 + x], wide[y * 40 + x] & 0x00FFFFFF);
}

TEST(CapturePng, FailuresAreReportedAndLeaveNoFile) {
    synctest::TempDir dir;
    std::string error;
    PngFrames frames;
    // A plain file where the folder should be.
    const std::string file = dir.write("taken", "x");
    EXPECT_FALSE(frames.open(file, error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(frames.open(file + "/below", error));
    EXPECT_FALSE(error.empty());

    // The folder disappears under a running dump.
    ASSERT_TRUE(frames.open(dir.file("gone"), error)) << error;
    fs::remove(dir.file("gone"));
    const std::vector<uint32_t> canvas = pattern(16, 4);
    error.clear();
    EXPECT_FALSE(frames.write(0, canvas.data(), 16, 4, error));
    EXPECT_NE(error.find("frame-000000.png"), std::string::npos) << error;

    // A full disk: the bytes cannot all be written.
    if (fs::exists("/dev/full")) {
        error.clear();
        EXPECT_FALSE(writePng("/dev/full", canvas.data(), 16, 4, 16, error));
        EXPECT_FALSE(error.empty());
    }
}

// Frames compressed on worker threads: each file is whole once finish
// returns, and a frame that cannot be written is reported in frame order,
// with the files of the frames after it taken away again.
TEST(CapturePng, QueuedFramesAreWholeAndFailuresComeInOrder) {
    synctest::TempDir dir;
    PngFrames frames;
    std::string error;
    ASSERT_TRUE(frames.open(dir.file("queued"), error)) << error;
    std::vector<uint32_t> canvas = pattern(64, 32);
    {
        PngFrameQueue queue(frames, 3);
        for (int64_t frame = 0; frame < 12; ++frame) {
            canvas[0] = static_cast<uint32_t>(frame); // each frame its own picture
            ASSERT_TRUE(queue.submit(frame, canvas.data(), 64, 32, error)) << error;
        }
        ASSERT_TRUE(queue.finish(error)) << error;
        for (int64_t frame = 0; frame < 12; ++frame) {
            const ReadBack back = readPng(frames.pathOf(frame));
            ASSERT_TRUE(back.ok) << frame;
            EXPECT_EQ(back.pixels[0], static_cast<uint32_t>(frame));
            EXPECT_EQ(back.pixels[1], canvas[1] & 0x00FFFFFF);
        }
    }

    // Frames 5 and 7 cannot be written (a folder has their names).
    ASSERT_TRUE(frames.open(dir.file("failing"), error)) << error;
    fs::create_directory(frames.pathOf(5));
    fs::create_directory(frames.pathOf(7));
    PngFrameQueue queue(frames, 2);
    int64_t refusedAt = -1;
    for (int64_t frame = 0; frame < 40 && refusedAt < 0; ++frame)
        if (!queue.submit(frame, canvas.data(), 64, 32, error)) refusedAt = frame;
    EXPECT_GT(refusedAt, 5);
    EXPECT_NE(error.find("frame-000005.png"), std::string::npos) << error;
    std::string again;
    EXPECT_FALSE(queue.finish(again));
    EXPECT_EQ(again, error);
    EXPECT_TRUE(readPng(frames.pathOf(4)).ok);
    EXPECT_FALSE(fs::exists(frames.pathOf(6)));
    EXPECT_FALSE(fs::exists(frames.pathOf(8)));
    EXPECT_EQ(frames.removeOldFrames(), 5); // 0 to 4; the two folders stay
}

} // namespace
