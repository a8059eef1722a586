#include "display/StepPacer.h"

#include <algorithm>

namespace {

constexpr int64_t unitsPerStep = 1'000'000'000;
constexpr double lockedLow = 59.0;
constexpr double lockedHigh = 61.0;
// Once locked, measuring noise (the loop's own timing jitter) does not unlock
// it: only a rate beyond this margin does.
constexpr double lockMargin = 0.5;
// A display with a steady refresh presents within a little of its period (the
// middle half of the gaps lies within 4 ms, 6 ms to stay locked); a
// variable-rate one whose median merely happens to be near 60 Hz does not.
constexpr auto steadySpread = std::chrono::milliseconds(4);
constexpr auto lockedSpread = std::chrono::milliseconds(6);

} // namespace

void StepPacer::start(double claimedHz) {
    *this = StepPacer{};
    claimedHz_ = claimedHz;
    decideLock();
}

double StepPacer::refreshHz() const {
    return measured_ ? measuredHz_ : claimedHz_ > 0 ? claimedHz_ : 60;
}

bool StepPacer::lockedToPresents() const {
    return locked_;
}

void StepPacer::decideLock() {
    const double hz = refreshHz();
    const double margin = locked_ ? lockMargin : 0.0;
    const bool steady = spread_ <= (locked_ ? lockedSpread : steadySpread);
    locked_ = steady && hz >= lockedLow - margin && hz <= lockedHigh + margin;
}

void StepPacer::measure() {
    std::vector<Clock::duration> sorted = gaps_;
    std::sort(sorted.begin(), sorted.end());
    const size_t quarter = sorted.size() / 4;
    const Clock::duration median = sorted[sorted.size() / 2];
    spread_ = sorted[sorted.size() - 1 - quarter] - sorted[quarter];
    // The mean of every gap but the stalls: a present late by some jitter
    // makes the next one early by as much, so over many gaps the jitter
    // cancels out where a median would keep it.
    Clock::duration sum{};
    size_t counted = 0;
    for (const Clock::duration gap : sorted) {
        if (gap > 2 * median) break;
        sum += gap;
        ++counted;
    }
    const double seconds = std::chrono::duration<double>(sum).count() /
                           static_cast<double>(std::max<size_t>(counted, 1));
    measuredHz_ = seconds > 0 ? 1.0 / seconds : 0.0;
    measured_ = true;
}

int32_t StepPacer::stepsBefore(Clock::time_point now) {
    if (paused_) return 0;
    // The first present after a start or a pause shows one fresh step.
    if (!havePrevious_) {
        havePrevious_ = true;
        previous_ = now;
        owed_ = 0;
        return 1;
    }
    const Clock::duration gap = std::max(now - previous_, Clock::duration::zero());
    previous_ = now;
    if (static_cast<int32_t>(gaps_.size()) < measuredGaps) {
        gaps_.push_back(gap);
    } else {
        gaps_[nextGap_] = gap;
        nextGap_ = (nextGap_ + 1) % gaps_.size();
    }
    if (static_cast<int32_t>(gaps_.size()) >= firstMeasureGaps) {
        measure();
        decideLock();
    }
    if (lockedToPresents()) {
        owed_ = 0;
        return 1;
    }
    const int64_t gapNs = std::chrono::duration_cast<std::chrono::nanoseconds>(gap).count();
    // A gap of more than the catch-up is a stall: what lies beyond it is
    // dropped, so the product below cannot overflow either.
    const int64_t cappedNs = std::min<int64_t>(gapNs, unitsPerStep);
    owed_ += cappedNs * stepsPerSecond;
    int64_t steps = owed_ / unitsPerStep;
    if (steps > maxCatchUpSteps) {
        steps = maxCatchUpSteps;
        owed_ = 0;
    } else {
        owed_ -= steps * unitsPerStep;
    }
    return static_cast<int32_t>(steps);
}

void StepPacer::pause() {
    paused_ = true;
}

void StepPacer::resume() {
    if (!paused_) return;
    paused_ = false;
    // The gap across the pause is neither stepped nor measured.
    havePrevious_ = false;
}
