#pragma once
#include <chrono>
#include <cstdint>

#include "display/StepPacer.h"
#include "shell/AdvanceSteps.h"

class DisplayDevice;

// Play at 60 steps of show time per second on any display, as live play and
// the studio both run it: each present takes the steps due since the last one
// (see StepPacer), all but the newest undrawn. It also counts what it did for
// the frame statistics (DEMO_FRAME_STATS=1) and ends the run after
// DEMO_QUIT_AFTER_FRAMES presents of play when that is set (tests; the
// studio's redraws while paused do not count).
class SteppedPlay {
  public:
    using Clock = std::chrono::steady_clock;

    // `claimedHz`: the display's refresh rate as it claims it (0: unknown).
    explicit SteppedPlay(double claimedHz);

    // Takes the steps due now, draws the newest and presents it.
    void advance(DisplayDevice& display, const LiveSteps& show);

    // Play stands still (a minimised window, the studio's pause): no steps
    // are owed for the time until resume, and that time is not play. Either
    // may be called on every turn; only a change counts.
    void pause();
    void resume();
    bool paused() const { return pacer.paused(); }

    // Steps taken so far, and the seconds of play they were taken in (from
    // the first present of play to the last, plus the 1/60 s the first step
    // stands for).
    int64_t steps() const { return stepCount; }
    double playedSeconds() const;

    // One line on stderr: the presents of `display` over `elapsed`, the
    // steps per second of play, what paced them.
    void printStats(const DisplayDevice* display, Clock::duration elapsed) const;

  private:
    StepPacer pacer;
    long quitAfter = 0;
    long presents = 0;
    int64_t stepCount = 0;
    bool stepped = false;
    Clock::time_point firstSteps{};
    Clock::time_point lastSteps{};
    Clock::time_point pausedSince{};
    Clock::duration pausedFor{};
    Clock::time_point firstPresentAt{};
    // The SDL renderer that drew the last frame (a name SDL keeps), asked
    // of SDL again only when the display holds another renderer.
    const char* renderer = "no";
    const void* rendererAsked = nullptr;
};

// Whether DEMO_FRAME_STATS=1 asks for the statistics at the end of a run.
bool frameStatsWanted();
