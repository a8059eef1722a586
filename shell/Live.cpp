#include "shell/Live.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "demo/Assets.h"
#include "display/DisplayDevice.h"
#include "display/Present.h"
#include "display/RendererChoice.h"
#include "display/TestPattern.h"
#include "platform/Quit.h"
#include "shell/AdvanceSteps.h"
#include "shell/LiveShow.h"
#include "shell/Options.h"
#include "shell/Settings.h"
#include "shell/Shell.h"
#include "shell/SteppedPlay.h"
#include "shell/StopSignals.h"
#include "shell/WindowProc.h"
#include "shell/WindowX11.h"

namespace {

constexpr const char* captureHint =
    "to record the show to a video instead run: demo --capture show.mp4";

uint32_t quitEventType = 0;

// The show's own quit (postQuitMessage) becomes an event, so the loop takes
// it in turn with the window's events. Safe from any thread.
void pushQuitEvent(int32_t exitCode) {
    if (quitEventType == 0) return;
    SDL_Event event{};
    event.type = quitEventType;
    event.user.code = exitCode;
    SDL_PushEvent(&event);
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// A switch given in the environment: on when it is "1".
bool switchedOn(const char* name) {
    const char* value = std::getenv(name);
    return value && std::strcmp(value, "1") == 0;
}

long envNumber(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::strtol(value, nullptr, 10) : 0;
}

// With no video driver named, SDL needs an X or Wayland server.
bool noDisplayServer() {
    return !isSet("SDL_VIDEODRIVER") && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY");
}

// Between picture loads: answers the window (Escape, a close, F12) so it
// never seems hung, and stops the loading once the run is to end. The show's
// own quit event is left in the queue for the main loop.
bool answerWindowWhileLoading() {
    SDL_Event event;
    while (!quitPosted() && SDL_PollEvent(&event)) {
        if (quitEventType != 0 && event.type == quitEventType) {
            SDL_PushEvent(&event);
            break;
        }
        handleWindowEvent(event);
    }
    if (windowDestroyedOutside() && mainWindow) destroyMainWindow();
    return !quitPosted();
}

// Every way out of the live program after SDL_Init closes SDL: its threads,
// its connection to the display server and what they hold are given back.
int endLive(int exitCode) {
    settleWindowErrors();
    SDL_Quit();
    return exitCode;
}

} // namespace

void installQuitEvent() {
    if (quitEventType == 0) {
        quitEventType = SDL_RegisterEvents(1);
        if (quitEventType == static_cast<uint32_t>(-1)) quitEventType = 0;
    }
    setQuitListener(pushQuitEvent);
}

bool isQuitEvent(const SDL_Event& event) {
    return quitEventType != 0 && event.type == quitEventType;
}

int runMainLoop(const LiveSteps& show) {
    const auto started = std::chrono::steady_clock::now();
    SteppedPlay play(display ? display->refreshHz() : 0);
    for (;;) {
        if (stopSignal() != 0) break;
        // Destroyed from outside: the run ends as if the window had been
        // closed.
        if (windowDestroyedOutside() && mainWindow) destroyMainWindow();
        const bool running = active && display;
        if (!running) play.pause();
        // Inactive, the loop sleeps until something happens instead of
        // spinning a core.
        SDL_Event event;
        if (running ? SDL_PollEvent(&event) : SDL_WaitEventTimeout(&event, inactiveWaitMs)) {
            if (quitEventType != 0 && event.type == quitEventType) break;
            handleWindowEvent(event);
            continue;
        }
        if (!running) continue;
        play.resume();
        play.advance(*display, show);
    }
    // Ends the window if the show's own quit left it standing.
    destroyMainWindow();
    if (frameStatsWanted()) play.printStats(display, std::chrono::steady_clock::now() - started);
    return stopSignal() != 0 ? 128 + stopSignal() : quitExitCode();
}

bool openLiveWindow(bool startWindowed) {
    if (noDisplayServer()) {
        std::fprintf(stderr, "demo: no display found (DISPLAY and WAYLAND_DISPLAY are unset); %s\n",
                     captureHint);
        return false;
    }
    chooseRenderer();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "demo: no display could be opened (%s); %s\n", SDL_GetError(),
                     captureHint);
        return false;
    }
    // Unless a driver was named, SDL falls back to drivers that show nothing
    // when no server answers: that is no display either.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!isSet("SDL_VIDEODRIVER") && driver &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        std::fprintf(stderr,
                     "demo: no display could be opened (no X or Wayland server answered); %s\n",
                     captureHint);
        SDL_Quit();
        return false;
    }
    installQuitEvent();

    Settings chosen = settings;
    if (startWindowed) chosen.fullscreen = false;

    mainWindow = createMainWindow("", chosen.width, chosen.height, chosen.fullscreen);
    if (!mainWindow) {
        std::fprintf(stderr, "demo: the window could not be created (%s); %s\n", SDL_GetError(),
                     captureHint);
        return false;
    }
    display = new DisplayDevice;
    // DEMO_REFRESH_HZ=N presents by the timer at N per second instead of the
    // display's vsync (tests of other refresh rates on any machine).
    display->forceRefreshRate(static_cast<int32_t>(envNumber("DEMO_REFRESH_HZ")));
    const uint32_t desktopFormat = queryDesktopFormat();
    desktopBpp = queryDesktopBpp();
    display->init(mainWindow, chosen.width, chosen.height, chosen.bitsPerPixel, desktopBpp,
                  chosen.fullscreen, desktopFormat);
    // Only now: making the renderer may replace the window's X11 window.
    watchWindowDestruction(mainWindow);
    return true;
}

int runLive(bool startWindowed, int64_t startStep) {
    catchStopSignals();
    if (!openLiveWindow(startWindowed)) return endLive(displayFailureExitCode);

    // DEMO_TEST_PATTERN=1 shows the test pattern instead of the show, without
    // loading pictures or music.
    LiveSteps steps;
    int32_t testPatternFrame = 0;
    std::optional<LiveShow> show;
    if (switchedOn("DEMO_TEST_PATTERN")) {
        createCanvas();
        steps.stepUnshown = [&testPatternFrame] { ++testPatternFrame; };
        steps.draw = [&testPatternFrame](Bitmap& target) {
            drawTestPattern(target, testPatternFrame++);
        };
    } else {
        setBetweenLoadsHook(answerWindowWhileLoading);
        initDemo();
        setBetweenLoadsHook(nullptr);
        show.emplace();
        if (startStep > 0 && !show->startAt(startStep)) {
            destroyMainWindow();
            return endLive(usageErrorExitCode);
        }
        steps = show->steps();
    }

    stopSignalsReachTheLoop();
    return endLive(runMainLoop(steps));
}
