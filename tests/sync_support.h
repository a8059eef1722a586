#pragma once
// Helpers shared by the sync and soundtrack tests.
#include <lame/lame.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/MusicClock.h"

namespace synctest {

// A clock the test sets by hand.
class ManualClock final : public MusicClock {
public:
    uint32_t position() override { return now; }
    void setVolume(int32_t v) override { volume = v; }
    int32_t bytesPerSecond() const override { return 176400; }
    uint32_t now = 0;
    int32_t volume = 100;
};

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "sync_test_XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::filesystem::create_directories((path / name).parent_path());
        std::ofstream(path / name, std::ios::binary) << text;
        return file(name);
    }
    std::filesystem::path path;
};

// A sine tone of `frames` sample frames, interleaved.
inline std::vector<int16_t> tone(int32_t rate, int32_t channels, size_t frames, double hertz) {
    std::vector<int16_t> pcm(frames * static_cast<size_t>(channels));
    for (size_t i = 0; i < frames; ++i) {
        const double s = std::sin(2.0 * M_PI * hertz * static_cast<double>(i) / rate);
        for (int32_t c = 0; c < channels; ++c)
            pcm[i * channels + c] = static_cast<int16_t>(12000.0 * s * (c == 0 ? 1.0 : 0.5));
    }
    return pcm;
}

// Encodes `pcm` as an MP3 file with a LAME tag (so a gapless decoder gives
// back exactly as many frames). Returns false if the encoder refused.
inline bool writeMp3(const std::string& path, const std::vector<int16_t>& pcm, int32_t rate,
                     int32_t channels) {
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) return false;
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 1);
    bool ok = lame_init_params(lame) >= 0;
    const int frames = static_cast<int>(pcm.size() / static_cast<size_t>(channels));
    std::vector<unsigned char> mp3(pcm.size() * 2 + 16384);
    int used = 0;
    if (ok) {
        std::vector<int16_t> left(frames), right(frames);
        for (int i = 0; i < frames; ++i) {
            left[i] = pcm[static_cast<size_t>(i) * channels];
            right[i] = pcm[static_cast<size_t>(i) * channels + (channels - 1)];
        }
        used = lame_encode_buffer(lame, left.data(), right.data(), frames, mp3.data(),
                                  static_cast<int>(mp3.size()));
        ok = used >= 0;
    }
    if (ok) {
        const int tail =
            lame_encode_flush(lame, mp3.data() + used, static_cast<int>(mp3.size()) - used);
        ok = tail >= 0;
        used += ok ? tail : 0;
    }
    if (ok) {
        // The encoder left room for the tag in the first frame.
        unsigned char tag[4096];
        const size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
        if (tagSize > 0 && tagSize <= sizeof tag && tagSize <= static_cast<size_t>(used))
            std::copy(tag, tag + tagSize, mp3.begin());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(mp3.data()), used);
    }
    lame_close(lame);
    return ok;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace synctest
