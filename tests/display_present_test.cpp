#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "demo/Assets.h"
#include "display/Present.h"
#include "support/display_sdl_fixture.h"

namespace {

int drawCalls = 0;
void drawWhite(Bitmap& target) {
    ++drawCalls;
    fillPixels(target.pixels, 0x00FFFFFF, target.width * target.height);
}

// One frame of the display path with the white drawer, as the live loop makes it.
void renderFrame(DisplayDevice& device) {
    ::renderFrame(device, canvas, canvasOwnPixels, drawWhite);
}

// Counts how often `needle` occurs in `text`.
int occurrences(const std::string& text, const std::string& needle) {
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++n;
    return n;
}

class DisplayPresent : public DisplaySdlTest {
  protected:
    void SetUp() override {
        DisplaySdlTest::SetUp();
        drawCalls = 0;
        resetUnsupportedModeReport();
    }
    void TearDown() override {
        device.release();
        DisplaySdlTest::TearDown();
    }
    void initWindowed(uint32_t desktopFormat) {
        device.init(makeWindow(), 512, 384, 32, desktopBppOf(desktopFormat), false, desktopFormat);
    }
    // Whether every byte of back-buffer lines [from, to) equals `value`.
    bool linesAre(int from, int to, uint8_t value) {
        const size_t pitch = static_cast<size_t>(device.backBufferPitch());
        for (size_t i = from * pitch; i < to * pitch; ++i)
            if (device.backBuffer[i] != value) return false;
        return true;
    }
    DisplayDevice device;
};

} // namespace

TEST_F(DisplayPresent, ConvertedFramesFillOnlyTheMiddleLines) {
    for (const uint32_t format :
         {SDL_PIXELFORMAT_XRGB1555, SDL_PIXELFORMAT_RGB565, SDL_PIXELFORMAT_BGR24}) {
        SCOPED_TRACE(SDL_GetPixelFormatName(format));
        initWindowed(format);
        renderFrame(device);
        EXPECT_EQ(canvas.pixels, canvasOwnPixels);
        EXPECT_EQ(frameTarget, device.backBuffer + centringOffset(device.pixelMode, 384));
        EXPECT_TRUE(linesAre(0, 64, 0x00));
        // x555 white is 0x7FFF: its high byte differs.
        if (device.pixelMode == 15) {
            const uint8_t* line = device.backBuffer + 64 * device.backBufferPitch();
            EXPECT_EQ(line[0], 0xFF);
            EXPECT_EQ(line[1], 0x7F);
        } else {
            EXPECT_TRUE(linesAre(64, 320, 0xFF));
        }
        EXPECT_TRUE(linesAre(320, 384, 0x00));
        device.release();
    }
    EXPECT_EQ(drawCalls, 3);
}

TEST_F(DisplayPresent, ThirtyTwoBitFramesAreDrawnStraightIntoTheBackBuffer) {
    device.init(makeWindow(), 512, 384, 32, 32, true, SDL_PIXELFORMAT_XRGB8888);
    renderFrame(device);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(canvas.pixels), device.backBuffer + 0x20000);
    EXPECT_TRUE(linesAre(0, 64, 0x00));
    EXPECT_TRUE(linesAre(320, 384, 0x00));
    const uint32_t* first = reinterpret_cast<const uint32_t*>(device.backBuffer + 0x20000);
    EXPECT_EQ(first[0], 0x00FFFFFFu);
    EXPECT_EQ(first[512 * 256 - 1], 0x00FFFFFFu);

    // F12 to a 16-bit desktop: the very next frame goes through the converter.
    device.release();
    device.init(makeWindow(), 512, 384, 32, 16, true, SDL_PIXELFORMAT_RGB565);
    device.toggleFullscreen();
    renderFrame(device);
    EXPECT_EQ(device.pixelMode, 16);
    EXPECT_EQ(canvas.pixels, canvasOwnPixels);
    EXPECT_TRUE(linesAre(64, 320, 0xFF));
}

TEST_F(DisplayPresent, UnsupportedModeIsShownOnceAndTheRunGoesOn) {
    initWindowed(SDL_PIXELFORMAT_RGB332);
    ASSERT_EQ(device.pixelMode, 8);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 5; ++i) renderFrame(device);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(err, "Color mode not supported"), 1) << err;
    EXPECT_NE(err.find("display box"), std::string::npos);
    EXPECT_EQ(occurrences(err, "demo: the window is on a desktop of 8 bits per pixel"), 1) << err;
    EXPECT_EQ(drawCalls, 5);
    EXPECT_EQ(device.presentCount(), 5);
    EXPECT_EQ(canvas.pixels, canvasOwnPixels);
    EXPECT_TRUE(linesAre(0, 384, 0x00)); // nothing converted into the buffer
    EXPECT_FALSE(quitPosted());
}

TEST_F(DisplayPresent, FailedLockSkipsTheFrameAndRestores) {
    device.init(makeWindow(), 512, 384, 32, 32, true, SDL_PIXELFORMAT_XRGB8888);
    device.textureLost();
    renderFrame(device);
    EXPECT_EQ(drawCalls, 0);
    EXPECT_EQ(device.presentCount(), 0);
    renderFrame(device);
    EXPECT_EQ(drawCalls, 1);
    EXPECT_EQ(device.presentCount(), 1);

    device.release();
    renderFrame(device);
    EXPECT_EQ(drawCalls, 1);
}

TEST_F(DisplayPresent, BackBufferTooSmallForTheCanvasIsNeverWritten) {
    // A 512 × 200 display cannot hold the 256 canvas lines.
    device.init(makeWindow(), 512, 200, 32, 32, true, SDL_PIXELFORMAT_XRGB8888);
    renderFrame(device);
    EXPECT_EQ(drawCalls, 1);
    EXPECT_EQ(canvas.pixels, canvasOwnPixels);
    EXPECT_TRUE(linesAre(0, 200, 0x00));
}
