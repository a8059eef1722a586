#include "shell/SteppedPlay.h"

#include <SDL2/SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "display/DisplayDevice.h"
#include "platform/Quit.h"

namespace {

long envNumber(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::strtol(value, nullptr, 10) : 0;
}

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

} // namespace

bool frameStatsWanted() {
    const char* value = std::getenv("DEMO_FRAME_STATS");
    return value && std::strcmp(value, "1") == 0;
}

SteppedPlay::SteppedPlay(double claimedHz) : quitAfter(envNumber("DEMO_QUIT_AFTER_FRAMES")) {
    pacer.start(claimedHz);
}

void SteppedPlay::pause() {
    if (pacer.paused()) return;
    pacer.pause();
    pausedSince = Clock::now();
}

void SteppedPlay::resume() {
    if (!pacer.paused()) return;
    pacer.resume();
    if (stepped) pausedFor += Clock::now() - pausedSince;
}

void SteppedPlay::advance(DisplayDevice& display, const LiveSteps& show) {
    const Clock::time_point now = Clock::now();
    const int32_t due = pacer.stepsBefore(now);
    if (!stepped) firstSteps = now;
    stepped = true;
    lastSteps = now;
    advanceSteps(display, show, due);
    if (firstPresentAt == Clock::time_point{} && display.presentCount() > 0)
        firstPresentAt = Clock::now();
    stepCount += due;
    SDL_RendererInfo info{};
    if (display.renderer && display.renderer != rendererAsked &&
        SDL_GetRendererInfo(display.renderer, &info) == 0) {
        renderer = info.name;
        rendererAsked = display.renderer;
    }
    if (quitAfter > 0 && ++presents == quitAfter) postQuitMessage(0);
}

double SteppedPlay::playedSeconds() const {
    if (!stepped) return 0;
    return std::chrono::duration<double>(lastSteps - firstSteps - pausedFor).count() +
           1.0 / StepPacer::stepsPerSecond;
}

void SteppedPlay::printStats(const DisplayDevice* display, Clock::duration elapsed) const {
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const double played = playedSeconds();
    const int64_t frames = display ? display->presentCount() : 0;
    std::string firstFrame;
    const double sinceLaunch = secondsSinceLaunch();
    if (frames > 0 && sinceLaunch >= 0 && firstPresentAt != Clock::time_point{}) {
        const double sinceFirst =
            std::chrono::duration<double>(Clock::now() - firstPresentAt).count();
        char text[80];
        std::snprintf(text, sizeof text, "; first frame presented %.0f ms after launch",
                      (sinceLaunch - sinceFirst) * 1000.0);
        firstFrame = text;
    }
    std::fprintf(stderr,
                 "demo: %lld frames presented in %.2f s (%.1f per second), paced by %s; "
                 "%lld steps in %.2f s of play (%.2f per second), %lld dropped in stalls, %s at "
                 "%.1f Hz, drawn by the %s renderer%s\n",
                 static_cast<long long>(frames), seconds, seconds > 0 ? frames / seconds : 0.0,
                 display && display->pacedByTimer() ? "timer" : "vsync",
                 static_cast<long long>(stepCount), played, played > 0 ? stepCount / played : 0.0,
                 static_cast<long long>(pacer.droppedSteps()),
                 pacer.lockedToPresents() ? "one per present" : "by the clock", pacer.refreshHz(),
                 renderer, firstFrame.c_str());
}
