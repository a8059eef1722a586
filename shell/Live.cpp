#include "shell/Live.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "demo/Assets.h"
#include "demo/ShowReplay.h"
#include "demo/ShowState.h"
#include "display/DisplayDevice.h"
#include "display/Present.h"
#include "display/TestPattern.h"
#include "platform/Quit.h"
#include "platform/Soundtrack.h"
#include "shell/Options.h"
#include "shell/Settings.h"
#include "shell/Shell.h"
#include "shell/ShowSeek.h"
#include "shell/ShowTime.h"
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

void printFrameStats(std::chrono::steady_clock::duration elapsed) {
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const int64_t frames = display ? display->presentCount() : 0;
    std::fprintf(stderr, "demo: %lld frames presented in %.2f s (%.1f per second), paced by %s\n",
                 static_cast<long long>(frames), seconds, seconds > 0 ? frames / seconds : 0.0,
                 display && display->pacedByTimer() ? "timer" : "vsync");
}

// --start: the show replayed to `step`, the soundtrack moved there. The
// first frame then reads the music clock right at the step's position, so it
// is the frame a capture shows there. False, with one line on stderr, when
// the step lies past the show's end.
bool startLiveAt(ShowState& show, int64_t step, std::optional<uint32_t>& firstPosition) {
    MusicClock& music = *musicSync.clock;
    FrameClock clock = stepClockOf(music);
    const int64_t last = lastSeekableStep(musicSync, clock, seekLimitSteps());
    if (step > last) {
        std::fprintf(stderr, "demo: --start lies past the show's end at %s\n",
                     formatStepTime(last).c_str());
        return false;
    }
    show = replayTo(musicSync, step, clock);
    clock.setFrame(step);
    music.setVolume(show.volume);
    firstPosition = clock.position();
    if (Soundtrack* soundtrack = playedSoundtrack(&music)) soundtrack->playFrom(*firstPosition);
    return true;
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
        if (quitAfter > 0 && ++framesRendered == quitAfter) postQuitMessage(0);
    }
    // Ends the window if the show's own quit left it standing.
    destroyMainWindow();
    return quitExitCode();
}

bool openLiveWindow(bool startWindowed) {
    if (noDisplayServer()) {
        std::fprintf(stderr, "demo: no display found (DISPLAY and WAYLAND_DISPLAY are unset); %s\n",
                     captureHint);
        return false;
    }
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
    const uint32_t desktopFormat = queryDesktopFormat();
    desktopBpp = queryDesktopBpp();
    display->init(mainWindow, chosen.width, chosen.height, chosen.bitsPerPixel, desktopBpp,
                  chosen.fullscreen, desktopFormat);
    return true;
}

int runLive(bool startWindowed, int64_t startStep) {
    if (!openLiveWindow(startWindowed)) return displayFailureExitCode;

    // DEMO_TEST_PATTERN=1 shows the test pattern instead of the show, without
    // loading pictures or music.
    FrameDrawer draw;
    int32_t testPatternFrame = 0;
    ShowState show;
    std::optional<uint32_t> firstPosition;
    if (switchedOn("DEMO_TEST_PATTERN")) {
        createCanvas();
        draw = [&testPatternFrame](Bitmap& target) { drawTestPattern(target, testPatternFrame++); };
    } else {
        initDemo();
        // Each frame is the show's step at the soundtrack's real play position.
        show = freshShow(musicSync);
        if (startStep > 0) {
            if (!startLiveAt(show, startStep, firstPosition)) {
                destroyMainWindow();
                return usageErrorExitCode;
            }
        }
        draw = [&show, &firstPosition](Bitmap& target) {
            if (firstPosition) {
                // The first frame after --start, at its step's exact position.
                FixedClock at(*firstPosition, *musicSync.clock);
                firstPosition.reset();
                if (playShowFrame(show, musicSync, at, target).postsQuit) postQuitMessage(0);
                return;
            }
            if (playShowFrame(show, musicSync, *musicSync.clock, target).postsQuit)
                postQuitMessage(0);
        };
    }

    const auto started = std::chrono::steady_clock::now();
    const int exitCode = runMainLoop(draw);
    if (switchedOn("DEMO_FRAME_STATS")) printFrameStats(std::chrono::steady_clock::now() - started);
    return exitCode;
}
