#pragma once
#include <cstdint>

#include "capture/CaptureAudio.h"

// Which step of the show each frame of a capture shows, and which stretch of
// the soundtrack it carries. The show moves in steps of 1/60 s of show time
// whatever the capture's frame rate, so a capture at any rate lasts as long as
// the show: frame k (from 0) is the picture of show time k / fps, the newest
// step by then, firstStep + floor(k × 60 / fps). Below 60 fps some steps are
// taken without being shown; above, a step is shown by more than one frame.
struct FrameSteps {
    static constexpr int32_t stepsPerSecond = 60;

    int32_t framesPerSecond = stepsPerSecond; // taken as 1 when not positive
    int64_t firstStep = 0;                    // the step frame 0 shows

    int64_t stepOf(int64_t frame) const;
    // The first frame that shows `step` or a later one (step >= firstStep).
    int64_t firstFrameShowing(int64_t step) const;
    // The sample frames at `sampleRate` of the show time of `frame`, from its
    // moment to the next frame's, both truncated: consecutive frames tile the
    // soundtrack without a gap or an overlap.
    SampleSpan samplesOf(int64_t frame, int32_t sampleRate) const;
};
