#include "shell/Studio.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "demo/Assets.h"
#include "demo/ShowReplay.h"
#include "display/DisplayDevice.h"
#include "display/OverlayPainter.h"
#include "display/Present.h"
#include "platform/MessageBox.h"
#include "platform/Quit.h"
#include "platform/Soundtrack.h"
#include "shell/FileWatch.h"
#include "shell/Live.h"
#include "shell/Options.h"
#include "shell/Shell.h"
#include "shell/ShowSeek.h"
#include "shell/ShowTime.h"
#include "shell/SteppedPlay.h"
#include "shell/StopSignals.h"
#include "shell/StudioReload.h"
#include "shell/StudioSession.h"
#include "shell/WindowProc.h"
#include "shell/WindowX11.h"

namespace {

constexpr int64_t stepsPerSecond = 60;

// The soundtrack the show plays now (a reload of music.mp3 replaces it), or
// the clock standing in for it.
class PlayedSoundtrack final : public StudioTransport {
  public:
    uint32_t position() override { return musicSync.clock ? musicSync.clock->position() : 0; }
    void setVolume(int32_t volume) override { musicSync.setVolume(volume); }
    void playFrom(uint32_t position) override {
        if (Soundtrack* s = playedSoundtrack(musicSync.clock)) s->playFrom(position);
    }
    void pause() override {
        if (Soundtrack* s = playedSoundtrack(musicSync.clock)) s->pause();
    }
    void resume() override {
        if (Soundtrack* s = playedSoundtrack(musicSync.clock)) s->resume();
    }
};

// The session given the show as `files` hold it now.
void loadSession(StudioSession& session, const StudioFiles& files) {
    const FrameClock clock = stepClockOf(*musicSync.clock);
    session.load(files.store(), clock, lastSeekableStep(files.store(), clock, seekLimitSteps()));
}

OverlayContent overlayOf(const StudioSession& session, const std::string& reload,
                         bool reloadFailed) {
    OverlayContent content;
    const ShowState& show = session.show();
    content.step = session.shownStep();
    content.time = formatStepTime(content.step);
    content.scene = show.sceneNumber;
    content.paused = session.paused();
    for (int32_t t = 0; t < 5; ++t) {
        content.envelopes[t] = show.sync.values[t];
        content.cursors[t] = show.sync.cursor[0][t];
    }
    content.reload = reload;
    content.reloadFailed = reloadFailed;
    return content;
}

class Studio {
  public:
    explicit Studio(StudioSession& session) : session(session) {
        loopBytes = stepClockOf(*musicSync.clock).loopBytes();
    }

    // Acts on a studio key; false for keys that are not the studio's.
    bool onKey(const SDL_KeyboardEvent& key) {
        const bool shift = (key.keysym.mod & KMOD_SHIFT) != 0;
        followPassLength();
        switch (key.keysym.sym) {
        case SDLK_SPACE:
            if (key.repeat == 0) session.togglePause();
            return true;
        case SDLK_LEFT:
            session.seekBy(-(shift ? 10 : 1) * stepsPerSecond);
            return true;
        case SDLK_RIGHT:
            session.seekBy((shift ? 10 : 1) * stepsPerSecond);
            return true;
        case SDLK_COMMA:
            session.stepBy(-1);
            return true;
        case SDLK_PERIOD:
            session.stepBy(1);
            return true;
        case SDLK_HOME:
            session.seek(0);
            return true;
        case SDLK_r:
            if (key.repeat == 0) reload({});
            return true;
        case SDLK_h:
            if (key.repeat == 0) overlayOn = !overlayOn;
            return true;
        default:
            return false;
        }
    }

    // A soundtrack that did not tell its length at first is measured while it
    // plays; from then on seeks see it start over as a capture does.
    void followPassLength() {
        const uint32_t loop = stepClockOf(*musicSync.clock).loopBytes();
        if (loop == loopBytes) return;
        loopBytes = loop;
        loadSession(session, files);
    }

    void reload(const std::vector<std::string>& paths) {
        const auto started = std::chrono::steady_clock::now();
        const StudioFiles::Report report = files.reload(paths);
        if (report.changed) {
            loopBytes = stepClockOf(*musicSync.clock).loopBytes();
            loadSession(session, files);
            if (report.musicChanged) {
                // The new soundtrack starts from its beginning: back to
                // where the show is, and still if the show stands still.
                session.seek(session.shownStep());
                if (session.paused()) PlayedSoundtrack{}.pause();
            }
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        reloadText = report.text + " (" + std::to_string(static_cast<int>(ms + 0.5)) + " ms)";
        reloadFailed = report.failed;
        std::fprintf(stderr, "demo: %s\n", reloadText.c_str());
    }

    // Show files among the changed paths, reloaded.
    void filesChanged(const std::vector<std::string>& paths) {
        std::vector<std::string> ours;
        for (const std::string& path : paths)
            if (StudioFiles::isShowFile(path)) ours.push_back(path);
        if (!ours.empty()) reload(ours);
    }

    void draw(Bitmap& target) {
        session.drawFrame(target);
        if (!display) return;
        if (overlayOn)
            display->overlay.show(
                painter.paint(overlayOf(session, reloadText, reloadFailed)).data(),
                OverlayPainter::width, OverlayPainter::height);
        else
            display->overlay.hide();
    }

    const StudioFiles& showFiles() const { return files; }

  private:
    StudioSession& session;
    StudioFiles files;
    OverlayPainter painter;
    bool overlayOn = false;
    uint32_t loopBytes = 0;
    std::string reloadText;
    bool reloadFailed = false;
};

// Every way out after SDL_Init closes SDL, as the live program does.
int endStudio(int exitCode) {
    settleWindowErrors();
    SDL_Quit();
    return exitCode;
}

} // namespace

int runStudio(int64_t startStep) {
    catchStopSignals();
    if (!openLiveWindow(true)) return endStudio(displayFailureExitCode);
    // A file that fails to load says so on stderr and in the overlay, never
    // in a box the user has to click away.
    setMessageBoxesOnStderr(true);
    initDemo();

    PlayedSoundtrack sound;
    StudioSession session(sound);
    Studio studio(session);
    loadSession(session, studio.showFiles());
    if (startStep > session.lastStep()) {
        std::fprintf(stderr, "demo: --start lies past the show's end at %s\n",
                     formatStepTime(session.lastStep()).c_str());
        destroyMainWindow();
        return endStudio(usageErrorExitCode);
    }
    session.seek(startStep);
    stopSignalsReachTheLoop();

    FileWatch watch;
    std::string watchError;
    if (!watch.watch({".", "data"}, watchError))
        std::fprintf(stderr, "demo: changed files are not reloaded by themselves (%s)\n",
                     watchError.c_str());

    const LiveSteps steps{[&session] { session.stepUnshown(); },
                          [&studio](Bitmap& target) { studio.draw(target); }};
    // Playing, the show takes 60 steps per second of play on any display,
    // as live play does; paused or minimised, no steps are owed.
    const auto started = std::chrono::steady_clock::now();
    SteppedPlay play(display ? display->refreshHz() : 0);
    // Paused, a frame is drawn only when something may have changed it.
    bool redraw = true;
    for (;;) {
        if (stopSignal() != 0) break;
        if (windowDestroyedOutside() && mainWindow) destroyMainWindow();
        const bool running = active && display;
        if (!running || session.paused()) play.pause();
        SDL_Event event;
        // Minimised, or paused with nothing to redraw, the loop sleeps in the
        // event queue, waking now and then to look at the watched files.
        const int waitMs = !running ? inactiveWaitMs : session.paused() && !redraw ? 50 : 0;
        const bool got = waitMs > 0 ? SDL_WaitEventTimeout(&event, waitMs) : SDL_PollEvent(&event);
        if (got) {
            if (isQuitEvent(event)) break;
            if (event.type != SDL_KEYDOWN || !studio.onKey(event.key)) handleWindowEvent(event);
            redraw = true;
            continue;
        }
        if (const auto changed = watch.poll(); !changed.empty()) {
            studio.filesChanged(changed);
            redraw = true;
        }
        if (!running) continue;
        if (session.paused()) {
            if (redraw) renderFrame(*display, canvas, canvasOwnPixels, steps.draw);
        } else {
            play.resume();
            play.advance(*display, steps);
        }
        redraw = false;
    }
    destroyMainWindow();
    if (frameStatsWanted()) play.printStats(display, std::chrono::steady_clock::now() - started);
    return endStudio(stopSignal() != 0 ? 128 + stopSignal() : quitExitCode());
}
