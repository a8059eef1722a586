#pragma once
#include <chrono>
#include <cstdint>
#include <vector>

// Decides how many steps of the show (one step = 1/60 s of show time, one run
// of the director) to take before each present, so the show keeps its speed on
// any display.
//
// On a display refreshing at 59 to 61 Hz every present takes exactly one step:
// the show then moves exactly as it was made to, frame for frame. At any other
// rate (30, 75, 144 Hz, variable rate, a machine too slow for every refresh)
// steps follow the clock instead, 60 per second of play: a present may take
// none (a fast display shows a step twice) or several (a slow one skips the
// drawing of some). A long stall takes at most maxCatchUpSteps and drops the
// rest, and while paused no time passes for the show.
//
// The refresh rate is the display's claim until enough presents have been
// seen, then the mean of the middle half of the recent gaps between presents: a display that claims
// 60 Hz but presents at 144 (or a vsync that does not wait) is measured. One
// step per present also needs the presents to be steady: a variable-rate
// display whose median happens to be near 60 Hz follows the clock.
class StepPacer {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr int32_t stepsPerSecond = 60;
    // A quarter of a second of show time.
    static constexpr int32_t maxCatchUpSteps = 15;
    // Gaps between presents kept for measuring the rate (two seconds at
    // 60 Hz), and how many it takes to measure at all.
    static constexpr int32_t measuredGaps = 120;
    static constexpr int32_t firstMeasureGaps = 8;

    // claimedHz <= 0: unknown (taken as 60 until measured).
    void start(double claimedHz);
    // The steps to take before the present at `now` (called once per present,
    // with the presents' times in order).
    int32_t stepsBefore(Clock::time_point now);
    // The window went inactive: no steps until resume, and the time in
    // between is not made up.
    void pause();
    void resume();
    bool paused() const { return paused_; }

    // The rate the decision is based on, and whether it locks one step to one
    // present.
    double refreshHz() const;
    bool lockedToPresents() const;

  private:
    void measure();
    void decideLock();

    double claimedHz_ = 0;
    bool measured_ = false;
    double measuredHz_ = 0;
    // How far apart the middle half of the gaps lie (small for a fixed
    // refresh, large for a variable one).
    Clock::duration spread_{};
    bool locked_ = false;
    bool paused_ = false;
    bool havePrevious_ = false;
    Clock::time_point previous_{};
    // Show time owed but not yet stepped, in nanoseconds × stepsPerSecond, so
    // that one step is exactly 1e9 units and nothing is lost to rounding.
    int64_t owed_ = 0;
    std::vector<Clock::duration> gaps_;
    size_t nextGap_ = 0;
};
