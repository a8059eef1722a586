#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A whole MP3 file decoded to interleaved signed 16-bit samples, gapless
// (encoder delay and padding removed), in the format of its first frame (see
// Mp3Stream). For tests and tools: the show itself decodes as it plays.
struct DecodedAudio {
    int32_t rate = 0;
    int32_t channels = 0;
    std::vector<int16_t> samples;

    size_t frames() const {
        return channels > 0 ? samples.size() / static_cast<size_t>(channels) : 0;
    }
    int32_t bytesPerSecond() const { return rate * channels * 2; }
};

// Returns false, with the reason in `error`, when the file cannot be opened or
// decoded, or holds no audio.
bool decodeMp3File(const char* path, DecodedAudio& out, std::string& error);
