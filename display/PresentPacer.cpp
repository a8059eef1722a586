#include "display/PresentPacer.h"

#include <algorithm>

void PresentPacer::start(int32_t refreshHz, bool rendererClaimsVsync) {
    const int64_t hz = refreshHz > 0 ? refreshHz : 60;
    period_ = std::chrono::nanoseconds(1'000'000'000 / hz);
    pacing_ = !rendererClaimsVsync;
    checkingVsync_ = rendererClaimsVsync;
    haveDeadline_ = false;
    haveLastPresent_ = false;
    gaps_.clear();
}

PresentPacer::Clock::time_point PresentPacer::presentTime(Clock::time_point now) {
    if (!pacing_) return now;
    // A frame that ran more than a period late starts a new schedule rather
    // than rushing several presents out to catch up.
    if (!haveDeadline_ || now > deadline_ + period_) {
        deadline_ = now;
        haveDeadline_ = true;
    }
    const Clock::time_point when = std::max(now, deadline_);
    deadline_ += period_;
    return when;
}

void PresentPacer::presented(Clock::time_point now) {
    if (checkingVsync_ && haveLastPresent_) {
        gaps_.push_back(now - lastPresent_);
        if (static_cast<int32_t>(gaps_.size()) == vsyncSampleCount) {
            std::nth_element(gaps_.begin(), gaps_.begin() + vsyncSampleCount / 2, gaps_.end());
            if (gaps_[vsyncSampleCount / 2] < period_ / 2) pacing_ = true;
            checkingVsync_ = false;
            gaps_.clear();
        }
    }
    lastPresent_ = now;
    haveLastPresent_ = true;
}
