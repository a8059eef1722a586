#include "platform/Mp3Decode.h"

#include "platform/Mp3Stream.h"

bool decodeMp3File(const char* path, DecodedAudio& out, std::string& error) {
    out = DecodedAudio{};
    Mp3Stream stream;
    if (!stream.open(path, error)) return false;
    const auto channels = static_cast<size_t>(stream.channels());
    constexpr size_t chunk = 16384;
    for (;;) {
        const size_t at = out.samples.size();
        out.samples.resize(at + chunk * channels);
        const size_t got = stream.read(out.samples.data() + at, chunk);
        out.samples.resize(at + got * channels);
        if (got < chunk) break;
    }
    if (!stream.problem().empty()) {
        error = std::string(path) + ": " + stream.problem();
        out.samples.clear();
        return false;
    }
    out.rate = stream.rate();
    out.channels = stream.channels();
    if (out.samples.empty()) {
        error = std::string(path) + " holds no audio";
        return false;
    }
    return true;
}
