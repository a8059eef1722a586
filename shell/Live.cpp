#include "shell/Live.h"

#include <SDL2/SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "demo/Assets.h"
#include "demo/ShowReplay.h"
#include "demo/ShowState.h"
#include "display/DisplayDevice.h"
#include "display/Present.h"
#include "display/RendererChoice.h"
#include "display/StepPacer.h"
#include "display/TestPattern.h"
#include "platform/Quit.h"
#include "platform/Soundtrack.h"
#include "shell/AdvanceSteps.h"
#include "shell/Options.h"
#include "shell/Settings.h"
#include "shell/Shell.h"
#include "shell/ShowSeek.h"
#include "shell/ShowTime.h"
#include "shell/StopSignals.h"
#include "shell/WindowProc.h"
#include "shell/WindowX11.h"

namespace {

constexpr const char* captureHint =
    "to record the show to a video instead run: demo --capture show.mp4";

uint32_t quitEventType = 0;

// What the last main loop did, for the frame statistics.
struct LoopCounts {
    int64_t steps = 0;
    // Play runs from the first present's steps to the last one's, plus the
    // 1/60 s the first step stands for; paused time is not play.
    bool stepped = false;
    std::chrono::steady_clock::time_point firstSteps{};
    std::chrono::steady_clock::time_point lastSteps{};
    std::chrono::steady_clock::duration paused{};
    // The refresh rate the steps were last paced by, and whether one step
    // went with each present.
    double refreshHz = 0;
    bool locked = false;
    int64_t dropped = 0;
    // The SDL renderer that drew the last frame (a name SDL keeps).
    const char* renderer = "no";

    double playedSeconds() const {
        if (!stepped) return 0;
        return std::chrono::duration<double>(lastSteps - firstSteps - paused).count() +
               1.0 / StepPacer::stepsPerSecond;
    }
};
LoopCounts loopCounts;

// While the window is inactive the loop sleeps in the event queue, waking
// this often at most.
constexpr int inactiveWaitMs = 250;

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
    const double played = loopCounts.playedSeconds();
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
    const int64_t steps = loopCounts.steps;
    std::fprintf(stderr,
                 "demo: %lld frames presented in %.2f s (%.1f per second), paced by %s; "
                 "%lld steps in %.2f s of play (%.2f per second), %lld dropped in stalls, %s at "
                 "%.1f Hz, drawn by the %s renderer%s\n",
                 static_cast<long long>(frames), seconds, seconds > 0 ? frames / seconds : 0.0,
                 display && display->pacedByTimer() ? "timer" : "vsync",
                 static_cast<long long>(steps), played, played > 0 ? steps / played : 0.0,
                 static_cast<long long>(loopCounts.dropped),
                 loopCounts.locked ? "one per present" : "by the clock", loopCounts.refreshHz,
                 loopCounts.renderer, firstFrame.c_str());
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

int runMainLoop(const LiveSteps& show) {
    using Clock = std::chrono::steady_clock;
    // DEMO_QUIT_AFTER_FRAMES=N ends the run after N presented frames (tests).
    const long quitAfter = envNumber("DEMO_QUIT_AFTER_FRAMES");
    long framesPresented = 0;
    loopCounts = LoopCounts{};
    StepPacer stepPacer;
    stepPacer.start(display ? display->refreshHz() : 0);
    Clock::time_point pausedSince{};
    for (;;) {
        if (stopSignal() != 0) break;
        // Destroyed from outside: the run ends as if the window had been
        // closed.
        if (windowDestroyedOutside() && mainWindow) destroyMainWindow();
        const bool running = active && display;
        if (!running && !stepPacer.paused()) {
            stepPacer.pause();
            pausedSince = Clock::now();
        }
        // Inactive, the loop sleeps until something happens instead of
        // spinning a core.
        SDL_Event event;
        if (running ? SDL_PollEvent(&event) : SDL_WaitEventTimeout(&event, inactiveWaitMs)) {
            if (quitEventType != 0 && event.type == quitEventType) break;
            handleWindowEvent(event);
            continue;
        }
        if (!running) continue;
        if (stepPacer.paused()) {
            stepPacer.resume();
            if (loopCounts.stepped) loopCounts.paused += Clock::now() - pausedSince;
        }
        const Clock::time_point now = Clock::now();
        const int32_t steps = stepPacer.stepsBefore(now);
        if (!loopCounts.stepped) loopCounts.firstSteps = now;
        loopCounts.stepped = true;
        loopCounts.lastSteps = now;
        advanceSteps(*display, show, steps);
        if (firstPresentAt == Clock::time_point{} && display->presentCount() > 0)
            firstPresentAt = Clock::now();
        loopCounts.steps += steps;
        loopCounts.refreshHz = stepPacer.refreshHz();
        loopCounts.locked = stepPacer.lockedToPresents();
        loopCounts.dropped = stepPacer.droppedSteps();
        SDL_RendererInfo renderer{};
        if (display && display->renderer && SDL_GetRendererInfo(display->renderer, &renderer) == 0)
            loopCounts.renderer = renderer.name;
        if (quitAfter > 0 && ++framesPresented == quitAfter) postQuitMessage(0);
    }
    // Ends the window if the show's own quit left it standing.
    destroyMainWindow();
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
    ShowState state;
    std::optional<uint32_t> firstPosition;
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
        state = freshShow(musicSync);
        if (startStep > 0 && !startLiveAt(state, startStep, firstPosition)) {
            destroyMainWindow();
            return endLive(usageErrorExitCode);
        }
        // Each step is the show's step at the soundtrack's real play position;
        // the first one after --start at its step's exact position.
        const auto step = [&state, &firstPosition](Bitmap* target) {
            StepEffects effects;
            if (firstPosition) {
                FixedClock at(*firstPosition, *musicSync.clock);
                firstPosition.reset();
                effects = playShowFrame(state, musicSync, at, target);
            } else {
                effects = playShowFrame(state, musicSync, *musicSync.clock, target);
            }
            if (effects.postsQuit) postQuitMessage(0);
        };
        steps.stepUnshown = [step] { step(nullptr); };
        steps.draw = [step](Bitmap& target) { step(&target); };
    }

    stopSignalsReachTheLoop();
    const auto started = std::chrono::steady_clock::now();
    const int exitCode = runMainLoop(steps);
    if (switchedOn("DEMO_FRAME_STATS")) printFrameStats(std::chrono::steady_clock::now() - started);
    return endLive(exitCode);
}
