#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "display/DisplayDevice.h"
#include "support/display_sdl_fixture.h"

using DisplayDevicePixelMode = DisplaySdlTest;
using DisplayDeviceLifecycle = DisplaySdlTest;

TEST(DisplayPixelMode, DesktopDepthFromTheDisplayFormat) {
    EXPECT_EQ(desktopBppOf(SDL_PIXELFORMAT_XRGB8888), 32); // 24-bit colour in four bytes
    EXPECT_EQ(desktopBppOf(SDL_PIXELFORMAT_ARGB8888), 32);
    EXPECT_EQ(desktopBppOf(SDL_PIXELFORMAT_RGB24), 24);
    EXPECT_EQ(desktopBppOf(SDL_PIXELFORMAT_RGB565), 16);
    EXPECT_EQ(desktopBppOf(SDL_PIXELFORMAT_XRGB1555), 16); // the probe tells it from 565
    EXPECT_EQ(desktopBppOf(SDL_PIXELFORMAT_RGB332), 8);
    EXPECT_EQ(pixelModeFromGreenMask(0x3E0), 15);
    EXPECT_EQ(pixelModeFromGreenMask(0x7E0), 16);
    EXPECT_EQ(pixelModeFromGreenMask(0x0F0), 0);
}

TEST_F(DisplayDevicePixelMode, WindowedModeFollowsTheDesktop) {
    struct Case {
        uint32_t format;
        PixelMode mode;
    };
    for (const Case c : {Case{SDL_PIXELFORMAT_XRGB8888, 32}, Case{SDL_PIXELFORMAT_BGR24, 24},
                         Case{SDL_PIXELFORMAT_RGB565, 16}, Case{SDL_PIXELFORMAT_XRGB1555, 15},
                         Case{SDL_PIXELFORMAT_RGB332, 8}}) {
        DisplayDevice device;
        device.init(makeWindow(), 512, 384, 32, desktopBppOf(c.format), false, c.format);
        SCOPED_TRACE(SDL_GetPixelFormatName(c.format));
        EXPECT_EQ(device.pixelMode, c.mode);
        EXPECT_FALSE(device.isFullscreen());
        ASSERT_NE(device.backBuffer, nullptr);
        EXPECT_EQ(device.backBufferBytes(), size_t{512} * 384 * bytesPerPixelOf(c.mode));
        EXPECT_EQ(device.backBufferPitch(), 512 * bytesPerPixelOf(c.mode));
        EXPECT_FALSE(quitPosted());
        device.release();
    }
}

TEST_F(DisplayDevicePixelMode, UnknownSixteenBitLayoutEndsTheRunWithAFailure) {
    DisplayDevice device;
    testing::internal::CaptureStderr();
    device.init(makeWindow(), 512, 384, 32, 16, false, SDL_PIXELFORMAT_ARGB4444);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("directDrawError: Color mode not supported"), std::string::npos) << err;
    EXPECT_NE(err.find("demo: the display failed: the desktop's 16-bit pixels are laid out as "
                       "neither 5-5-5 nor 5-6-5\n"),
              std::string::npos)
        << err;
    EXPECT_TRUE(quitPosted());
    EXPECT_NE(quitExitCode(), 0);
    EXPECT_EQ(device.renderer, nullptr);
    EXPECT_EQ(device.lockBackBuffer(), nullptr);
}

TEST_F(DisplayDeviceLifecycle, ToggleSwitchesSetUpsAndReleaseClearsEverything) {
    DisplayDevice device;
    device.init(makeWindow(), 512, 384, 32, 16, true, SDL_PIXELFORMAT_XRGB1555);
    EXPECT_TRUE(device.isFullscreen());
    EXPECT_EQ(device.pixelMode, 32);
    EXPECT_EQ(device.textureFormat(), uint32_t{SDL_PIXELFORMAT_XRGB8888});
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);

    device.toggleFullscreen();
    EXPECT_FALSE(device.isFullscreen());
    EXPECT_EQ(device.pixelMode, 15);
    EXPECT_EQ(device.backBufferBytes(), size_t{512} * 384 * 2);
    EXPECT_NE(device.lockBackBuffer(), nullptr);
    device.unlockBackBuffer();

    device.toggleFullscreen();
    EXPECT_TRUE(device.isFullscreen());
    EXPECT_EQ(device.pixelMode, 32);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);

    device.release();
    EXPECT_EQ(device.renderer, nullptr);
    EXPECT_EQ(device.texture, nullptr);
    EXPECT_EQ(device.backBuffer, nullptr);
    EXPECT_EQ(device.lockBackBuffer(), nullptr);
    device.release();          // harmless
    device.toggleFullscreen(); // nothing left to switch: no set-up, no failure
    EXPECT_EQ(device.renderer, nullptr);
    EXPECT_TRUE(device.isFullscreen());
    EXPECT_FALSE(quitPosted());

    DisplayDevice never;
    never.release();
    EXPECT_EQ(never.renderer, nullptr);
}

TEST_F(DisplayDeviceLifecycle, LostTextureIsRestoredBeforeTheNextLock) {
    DisplayDevice device;
    device.init(makeWindow(), 512, 384, 32, 32, true, SDL_PIXELFORMAT_XRGB8888);
    device.textureLost();
    EXPECT_EQ(device.lockBackBuffer(), nullptr);
    device.restorePrimary();
    EXPECT_NE(device.lockBackBuffer(), nullptr);
    device.unlockBackBuffer();
    device.release();
}

TEST_F(DisplayDeviceLifecycle, NoWindowIsReportedAsAFailure) {
    DisplayDevice device;
    testing::internal::CaptureStderr();
    device.init(nullptr, 512, 384, 32, 32, true);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("directDrawError: DirectDrawCreateEx FAILED"), std::string::npos) << err;
    EXPECT_NE(err.find("demo: the display failed: there is no window to draw into\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(quitExitCode(), displayFailureExitCode);
}
