#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "display/DisplayDevice.h"
#include "display/Present.h"
#include "shell/Input.h"
#include "shell/Live.h"
#include "shell/WindowProc.h"
#include "support/display_sdl_fixture.h"

namespace {

SDL_Event windowEvent(uint8_t what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    return e;
}

SDL_Event keyDown(SDL_Keycode key, bool repeat = false) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    e.key.repeat = repeat ? 1 : 0;
    return e;
}

int framesDrawn = 0;

// The shell's globals set up as start-up leaves them, on the dummy driver.
class ShellWindow : public DisplaySdlTest {
  protected:
    void SetUp() override {
        DisplaySdlTest::SetUp();
        mainWindow = createMainWindow("", 512, 384, true);
        ASSERT_NE(mainWindow, nullptr);
        display = &device;
        device.init(mainWindow, 512, 384, 32, 16, true, SDL_PIXELFORMAT_RGB565);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        active = false;
    }
    void TearDown() override {
        destroyMainWindow();
        display = nullptr;
        DisplaySdlTest::TearDown();
    }
    DisplayDevice device;
};

} // namespace

TEST_F(ShellWindow, ActiveFollowsMinimiseAndRestoreNotFocus) {
    handleWindowEvent(windowEvent(SDL_WINDOWEVENT_SHOWN));
    EXPECT_TRUE(active);
    handleWindowEvent(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST)); // still visible
    EXPECT_TRUE(active);
    handleWindowEvent(windowEvent(SDL_WINDOWEVENT_MINIMIZED));
    EXPECT_FALSE(active);
    handleWindowEvent(windowEvent(SDL_WINDOWEVENT_RESTORED));
    EXPECT_TRUE(active);
    handleWindowEvent(windowEvent(SDL_WINDOWEVENT_HIDDEN));
    EXPECT_FALSE(active);
    handleWindowEvent(windowEvent(SDL_WINDOWEVENT_MAXIMIZED));
    EXPECT_TRUE(active);
}

TEST_F(ShellWindow, F12TogglesOnEveryRepeat) {
    handleWindowEvent(keyDown(SDLK_F12));
    EXPECT_FALSE(device.isFullscreen());
    EXPECT_EQ(device.pixelMode, 16);
    handleWindowEvent(keyDown(SDLK_F12, true));
    EXPECT_TRUE(device.isFullscreen());
    EXPECT_EQ(device.pixelMode, 32);
    handleWindowEvent(keyDown(SDLK_F12, true));
    EXPECT_FALSE(device.isFullscreen());
    EXPECT_FALSE(quitPosted());
}

TEST_F(ShellWindow, EscapeClosesOnTheNextTurnWithStatusZero) {
    keyState = KeyState{};
    handleWindowEvent(keyDown(SDLK_ESCAPE));
    for (const int32_t flag : keyState.flags) EXPECT_EQ(flag, 0);
    EXPECT_FALSE(quitPosted()); // only asked for, like a close button

    SDL_Event next{};
    ASSERT_EQ(SDL_PollEvent(&next), 1);
    EXPECT_EQ(next.type, uint32_t{SDL_QUIT});
    handleWindowEvent(next);
    EXPECT_EQ(mainWindow, nullptr);
    EXPECT_EQ(device.renderer, nullptr);
    EXPECT_TRUE(quitPosted());
    EXPECT_EQ(quitExitCode(), 0);
}

TEST_F(ShellWindow, MainLoopRendersWhileActiveAndEndsOnTheShowsQuit) {
    installQuitEvent();
    framesDrawn = 0;
    active = true;
    // The loop steps until a step posts the show's own end.
    const auto step = [] {
        if (++framesDrawn == 3) postQuitMessage(0);
    };
    EXPECT_EQ(runMainLoop(LiveSteps{step, [step](Bitmap&) { step(); }}), 0);
    EXPECT_EQ(framesDrawn, 3);
    EXPECT_EQ(mainWindow, nullptr); // the loop's ending destroys the window
}

TEST_F(ShellWindow, DisplayFailureEndsTheLoopWithAFailureStatus) {
    installQuitEvent();
    active = true;
    testing::internal::CaptureStderr();
    device.reportError("Blt FAILED");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(runMainLoop(LiveSteps{[] {}, [](Bitmap&) {}}), displayFailureExitCode);
}

TEST_F(ShellWindow, StartingWindowedGivesTheFixedWindow) {
    SDL_Window* window = createMainWindow("", 512, 384, false);
    ASSERT_NE(window, nullptr);
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &w, &h);
    // The dummy driver draws no decorations: the client is the whole frame.
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 100);
    EXPECT_EQ(w, 512);
    EXPECT_EQ(h, 384);
    SDL_DestroyWindow(window);
}
