#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/Mp3Decode.h"

// Copies `count` samples from `in` to `out` at an output volume: 100 or more
// copies them, 0 or less gives silence, anything between scales each sample
// by volume / 100, truncated toward zero. The live soundtrack and the capture
// both scale through it, so what a video holds is what the speakers would
// have played. `out` may be `in`.
void scaleSamples(const int16_t* in, size_t count, int32_t volume, int16_t* out);

// The soundtrack as it is played: `audio` over and over, from its first
// sample frame again right after its last, at an output volume.
//
// Copies the `frames` sample frames that start at sample frame `from` of that
// endless stream (counted over all passes) into `out`, scaled by `volume` (see
// scaleSamples). `audio` without samples gives silence in its channel count.
void copyLoopedSamples(const DecodedAudio& audio, uint64_t from, size_t frames, int32_t volume,
                       int16_t* out);
