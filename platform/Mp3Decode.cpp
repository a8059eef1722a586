#include "platform/Mp3Decode.h"

#include <mpg123.h>

#include <memory>

namespace {
struct HandleCloser {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};
} // namespace

bool decodeMp3File(const char* path, DecodedAudio& out, std::string& error) {
    out = DecodedAudio{};
    static const int initResult = mpg123_init(); // deprecated no-op on new versions, needed on old
    if (initResult != MPG123_OK) {
        error = "the MP3 decoder could not start";
        return false;
    }
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleCloser> handle(mpg123_new(nullptr, &err));
    if (!handle) {
        error = std::string("the MP3 decoder could not start: ") + mpg123_plain_strerror(err);
        return false;
    }
    mpg123_param(handle.get(), MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    // Decode to signed 16-bit at the stream's own rate and channel count.
    mpg123_format_none(handle.get());
    for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(handle.get(), rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(handle.get(), path) != MPG123_OK) {
        error = std::string("cannot open ") + path + ": " + mpg123_strerror(handle.get());
        return false;
    }
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK) {
        error = std::string(path) + " is not an MP3 stream the decoder can read";
        return false;
    }
    mpg123_format_none(handle.get());
    mpg123_format(handle.get(), rate, channels, MPG123_ENC_SIGNED_16);
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        size_t done = 0;
        const int r = mpg123_read(handle.get(), buffer.data(), buffer.size(), &done);
        const size_t count = done / 2;
        const auto* s = reinterpret_cast<const int16_t*>(buffer.data());
        out.samples.insert(out.samples.end(), s, s + count);
        if (r == MPG123_DONE) break;
        if (r == MPG123_NEW_FORMAT) continue;
        if (r != MPG123_OK) {
            error = std::string(path) + ": " + mpg123_strerror(handle.get());
            out.samples.clear();
            return false;
        }
    }
    out.rate = static_cast<int32_t>(rate);
    out.channels = channels;
    out.samples.resize(out.samples.size() - out.samples.size() % static_cast<size_t>(channels));
    if (out.samples.empty()) {
        error = std::string(path) + " holds no audio";
        return false;
    }
    return true;
}
