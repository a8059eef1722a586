#include "platform/LoopedSamples.h"

#include <algorithm>
#include <cstring>

void scaleSamples(const int16_t* in, size_t count, int32_t volume, int16_t* out) {
    if (volume >= 100) {
        if (out != in) std::memcpy(out, in, count * sizeof(int16_t));
    } else if (volume <= 0) {
        std::memset(out, 0, count * sizeof(int16_t));
    } else {
        for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>(in[i] * volume / 100);
    }
}

void copyLoopedSamples(const DecodedAudio& audio, uint64_t from, size_t frames, int32_t volume,
                       int16_t* out) {
    const size_t total = audio.frames();
    const auto channels = static_cast<size_t>(audio.channels);
    if (total == 0) {
        std::memset(out, 0, frames * channels * sizeof(int16_t));
        return;
    }
    size_t at = static_cast<size_t>(from % total);
    for (size_t left = frames; left > 0;) {
        const size_t run = std::min(left, total - at);
        const size_t count = run * channels;
        scaleSamples(audio.samples.data() + at * channels, count, volume, out);
        out += count;
        left -= run;
        at = (at + run) % total;
    }
}
