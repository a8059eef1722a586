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
    DecodedAudio decoded;
    std::string error;
    if (!decodeMp3File(fileName, decoded, error)) {
        use(DecodedAudio{});
        noSoundReason = error;
        return false;
    }
    use(std::move(decoded));
    return true;
}

void CaptureAudio::use(DecodedAudio decoded) {
    audio = std::move(decoded);
    noSoundReason = hasSound() ? "" : "no audio given";
}

uint32_t CaptureAudio::loopBytes() const {
    return static_cast<uint32_t>(audio.frames() * static_cast<size_t>(channels()) * 2);
}

const std::vector<int16_t>& CaptureAudio::samplesFor(int64_t frame, int32_t framesPerSecond,
                                                     int32_t volume) {
    const SampleSpan span = samplesOfFrame(frame, sampleRate(), framesPerSecond);
    const auto count = static_cast<size_t>(span.count);
    buffer.resize(count * static_cast<size_t>(channels()));
    if (hasSound())
        copyLoopedSamples(audio, static_cast<uint64_t>(span.first), count, volume, buffer.data());
    else
        std::fill(buffer.begin(), buffer.end(), int16_t{0});
    return buffer;
}
