#include "shell/Live.h"

#include <SDL2/SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "demo/Assets.h"
#include "demo/ShowState.h"
#include "display/DisplayDevice.h"
#include "display/Present.h"
#include "display/TestPattern.h"
#include "platform/Quit.h"
#include "shell/Settings.h"
#include "shell/Shell.h"
#include "shell/WindowProc.h"

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

// When the first frame was presented (for the frame statistics).
std::chrono::steady_clock::time_point firstPresentAt{};

// Seconds since the process was started, from the start time the kernel
// keeps for it (clock ticks since boot, so to 10 ms); negative when unknown.
double secondsSinceLaunch() {
    std::ifstream stat("/proc/self/stat");
    std::string text;
    std::getline(stat, text);
    const size_t nameEnd = text.rfind(')'); // the command's name may hold spaces
    if (nameEnd == std::string::npos) return -1.0;
    std::istringstream fields(text.substr(nameEnd + 1));
    std::string skipped;
    for (int field = 3; field < 22; ++field) fields >> skipped; // start time is field 22
    unsigned long long startTicks = 0;
    timespec now{};
    if (!(fields >> startTicks) || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1.0;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9 -
           static_cast<double>(startTicks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void printFrameStats(std::chrono::steady_clock::duration elapsed) {
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const int64_t frames = display ? display->presentCount() : 0;
    std::string firstFrame;
    const double sinceLaunch = secondsSinceLaunch();
    if (frames > 0 && sinceLaunch >= 0) {
        const double sinceFirst =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - firstPresentAt)
                .count();
        char text[80];
        std::snprintf(text, sizeof text, "; first frame presented %.0f ms after launch",
                      (sinceLaunch - sinceFirst) * 1000.0);
        firstFrame = text;
    }
    std::fprintf(stderr, "demo: %lld frames presented in %.2f s (%.1f per second), paced by %s%s\n",
                 static_cast<long long>(frames), seconds, seconds > 0 ? frames / seconds : 0.0,
                 display && display->pacedByTimer() ? "timer" : "vsync", firstFrame.c_str());
}

} // namespace

void installQuitEvent() {
    if (quitEventType == 0) {
        quitEventType = SDL_RegisterEvents(1);
        if (quitEventType == static_cast<uint32_t>(-1)) quitEventType = 0;
    }
    setQuitListener(pushQuitEvent);
}

int runMainLoop(const FrameDrawer& draw) {
    // DEMO_QUIT_AFTER_FRAMES=N ends the run after N rendered frames (tests).
    const long quitAfter = envNumber("DEMO_QUIT_AFTER_FRAMES");
    long framesRendered = 0;
    for (;;) {
        SDL_Event event;
        if (SDL_PollEvent(&event)) {
            if (quitEventType != 0 && event.type == quitEventType) break;
            handleWindowEvent(event);
            continue;
        }
        if (!active || !display) continue;
        renderFrame(*display, canvas, canvasOwnPixels, draw);
        if (firstPresentAt == std::chrono::steady_clock::time_point{} &&
            display->presentCount() > 0)
            firstPresentAt = std::chrono::steady_clock::now();
        if (quitAfter > 0 && ++framesRendered == quitAfter) postQuitMessage(0);
    }
    // Ends the window if the show's own quit left it standing.
    destroyMainWindow();
    return quitExitCode();
}

int runLive(bool startWindowed) {
    if (noDisplayServer()) {
        std::fprintf(stderr, "demo: no display found (DISPLAY and WAYLAND_DISPLAY are unset); %s\n",
                     captureHint);
        return displayFailureExitCode;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "demo: no display could be opened (%s); %s\n", SDL_GetError(),
                     captureHint);
        return displayFailureExitCode;
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
        return displayFailureExitCode;
    }
    installQuitEvent();

    Settings chosen = settings;
    if (startWindowed) chosen.fullscreen = false;

    mainWindow = createMainWindow("", chosen.width, chosen.height, chosen.fullscreen);
    if (!mainWindow) {
        std::fprintf(stderr, "demo: the window could not be created (%s); %s\n", SDL_GetError(),
                     captureHint);
        return displayFailureExitCode;
    }
    display = new DisplayDevice;
    const uint32_t desktopFormat = queryDesktopFormat();
    desktopBpp = queryDesktopBpp();
    display->init(mainWindow, chosen.width, chosen.height, chosen.bitsPerPixel, desktopBpp,
                  chosen.fullscreen, desktopFormat);

    // DEMO_TEST_PATTERN=1 shows the test pattern instead of the show, without
    // loading pictures or music.
    FrameDrawer draw;
    int32_t testPatternFrame = 0;
    ShowState show;
    if (switchedOn("DEMO_TEST_PATTERN")) {
        createCanvas();
        draw = [&testPatternFrame](Bitmap& target) { drawTestPattern(target, testPatternFrame++); };
    } else {
        initDemo();
        // Each frame is the show's step at the soundtrack's real play position.
        show = freshShow(musicSync);
        draw = [&show](Bitmap& target) {
            if (playShowFrame(show, musicSync, *musicSync.clock, target).postsQuit)
                postQuitMessage(0);
        };
    }

    const auto started = std::chrono::steady_clock::now();
    const int exitCode = runMainLoop(draw);
    if (switchedOn("DEMO_FRAME_STATS")) printFrameStats(std::chrono::steady_clock::now() - started);
    return exitCode;
}
