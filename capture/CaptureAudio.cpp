#include "capture/CaptureAudio.h"

#include <algorithm>
#include <utility>

#include "platform/LoopedSamples.h"

SampleSpan samplesOfFrame(int64_t frame, int32_t sampleRate, int32_t framesPerSecond) {
    const int64_t rate = std::max(sampleRate, 1);
    const int64_t fps = std::max(framesPerSecond, 1);
    const int64_t at = std::max<int64_t>(frame, 0);
    const int64_t first = at * rate / fps;
    const int64_t end = (at + 1) * rate / fps;
    return {first, end - first};
}

bool CaptureAudio::load(const char* fileName) {
    use(DecodedAudio{});
    std::string error;
    if (!stream.open(fileName, error)) {
        noSoundReason = error;
        return false;
    }
    // The frame clock needs the pass length before the first frame.
    const uint64_t frames = stream.source().measureFrames();
    if (frames == 0) {
        stream = Mp3Stream{};
        noSoundReason = std::string(fileName) + " holds no audio";
        return false;
    }
    rate = stream.rate();
    channelCount = stream.channels();
    passFrames = frames;
    noSoundReason.clear();
    return true;
}

void CaptureAudio::use(DecodedAudio decoded) {
    audio = std::move(decoded);
    stream = Mp3Stream{};
    rate = audio.rate;
    channelCount = audio.channels;
    passFrames = audio.frames();
    next = inPass = 0;
    noSoundReason = hasSound() ? "" : "no audio given";
}

uint32_t CaptureAudio::loopBytes() const {
    return static_cast<uint32_t>(passFrames * static_cast<uint64_t>(channels()) * 2);
}

// Decodes the next `frames` sample frames of the loop into `out`. Each pass
// is exactly passFrames long, as the clock was told: should the decoder give
// fewer, silence makes up the rest.
void CaptureAudio::advance(int16_t* out, size_t frames) {
    const auto perFrame = static_cast<size_t>(channelCount);
    const size_t got = stream.read(out, frames);
    std::fill(out + got * perFrame, out + frames * perFrame, int16_t{0});
    next += frames;
    inPass += frames;
    if (inPass == passFrames) {
        stream.restart();
        inPass = 0;
    }
}

// Copies `frames` sample frames of the endless loop from frame `from` on.
void CaptureAudio::readLooped(uint64_t from, size_t frames, int16_t* out) {
    if (from != next) {
        stream.restart();
        next = from - from % passFrames;
        inPass = 0;
    }
    const auto perFrame = static_cast<size_t>(channelCount);
    while (next < from) {
        const uint64_t skip = std::min({from - next, passFrames - inPass, uint64_t{4096}});
        unscaled.resize(std::max(unscaled.size(), static_cast<size_t>(skip) * perFrame));
        advance(unscaled.data(), static_cast<size_t>(skip));
    }
    while (frames > 0) {
        const auto run = static_cast<size_t>(std::min<uint64_t>(frames, passFrames - inPass));
        advance(out, run);
        out += run * perFrame;
        frames -= run;
    }
}

const std::vector<int16_t>& CaptureAudio::samplesFor(int64_t frame, int32_t framesPerSecond,
                                                     int32_t volume) {
    return samplesIn(samplesOfFrame(frame, sampleRate(), framesPerSecond), volume);
}

const std::vector<int16_t>& CaptureAudio::samplesIn(SampleSpan span, int32_t volume) {
    const auto count = static_cast<size_t>(span.count);
    buffer.resize(count * static_cast<size_t>(channels()));
    if (!hasSound()) {
        std::fill(buffer.begin(), buffer.end(), int16_t{0});
    } else if (!stream.isOpen()) {
        copyLoopedSamples(audio, static_cast<uint64_t>(span.first), count, volume, buffer.data());
    } else {
        readLooped(static_cast<uint64_t>(span.first), count, buffer.data());
        scaleSamples(buffer.data(), buffer.size(), volume, buffer.data());
    }
    return buffer;
}
