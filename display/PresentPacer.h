#pragma once
#include <chrono>
#include <cstdint>
#include <vector>

// Keeps presents at the display's refresh rate when the renderer does not wait
// for the vertical retrace itself, so the show's per-frame motion keeps its
// speed on every machine.
//
// A renderer that claims vsync is believed until its presents show otherwise:
// if the median gap of its first presents is under half a refresh period, the
// claim was empty (SDL's software renderer, drivers with vsync forced off) and
// the pacer takes over.
class PresentPacer {
  public:
    using Clock = std::chrono::steady_clock;

    // refreshHz <= 0 means unknown: 60 Hz is assumed.
    void start(int32_t refreshHz, bool rendererClaimsVsync);
    // When the next present may happen (`now` when it may happen at once).
    Clock::time_point presentTime(Clock::time_point now);
    // Records that a present returned at `now`.
    void presented(Clock::time_point now);

    bool pacing() const { return pacing_; }
    Clock::duration period() const { return period_; }

    static constexpr int32_t vsyncSampleCount = 30;

  private:
    Clock::duration period_ = std::chrono::nanoseconds(1'000'000'000 / 60);
    bool pacing_ = true;
    bool haveDeadline_ = false;
    Clock::time_point deadline_{};
    bool checkingVsync_ = false;
    bool haveLastPresent_ = false;
    Clock::time_point lastPresent_{};
    std::vector<Clock::duration> gaps_;
};
