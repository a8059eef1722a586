#include "capture/FrameSteps.h"

#include <algorithm>

namespace {

int64_t ratePositive(int32_t rate) {
    return std::max<int64_t>(rate, 1);
}

// The first sample frame at show time firstStep / 60 + frame / fps, truncated,
// computed over the common denominator 60 × fps so that it stays exact.
int64_t firstSampleOf(const FrameSteps& steps, int64_t frame, int64_t rate) {
    const int64_t fps = ratePositive(steps.framesPerSecond);
    const int64_t numerator = steps.firstStep * fps + frame * FrameSteps::stepsPerSecond;
    return numerator * rate / (fps * FrameSteps::stepsPerSecond);
}

} // namespace

int64_t FrameSteps::stepOf(int64_t frame) const {
    const int64_t at = std::max<int64_t>(frame, 0);
    return firstStep + at * stepsPerSecond / ratePositive(framesPerSecond);
}

int64_t FrameSteps::firstFrameShowing(int64_t step) const {
    const int64_t after = std::max<int64_t>(step - firstStep, 0);
    // The least k with k × 60 / fps >= after.
    return (after * ratePositive(framesPerSecond) + stepsPerSecond - 1) / stepsPerSecond;
}

SampleSpan FrameSteps::samplesOf(int64_t frame, int32_t sampleRate) const {
    const int64_t rate = ratePositive(sampleRate);
    const int64_t at = std::max<int64_t>(frame, 0);
    const int64_t first = firstSampleOf(*this, at, rate);
    return {first, firstSampleOf(*this, at + 1, rate) - first};
}
