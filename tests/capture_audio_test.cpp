// The soundtrack of a capture, frame by frame: where each frame's samples
// begin and end, the loop, the volume, and silence when there is no music.
// Every result is checked against a plain sample-at-a-time reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "capture/CaptureAudio.h"
#include "platform/LoopedSamples.h"
#include "sync_support.h"

namespace {

// A soundtrack whose every sample is different, so that a sample taken from
// the wrong place shows.
DecodedAudio numbered(int32_t rate, int32_t channels, size_t frames) {
    DecodedAudio audio;
    audio.rate = rate;
    audio.channels = channels;
    audio.samples.resize(frames * static_cast<size_t>(channels));
    for (size_t i = 0; i < audio.samples.size(); ++i)
        audio.samples[i] = static_cast<int16_t>(static_cast<int32_t>(i * 7919 % 65536) - 32768);
    return audio;
}

// The soundtrack as heard: sample frame s of the endless loop, at `volume`.
int16_t heard(const DecodedAudio& audio, uint64_t frame, int32_t channel, int32_t volume) {
    const int16_t sample = audio.samples[(frame % audio.frames()) * audio.channels + channel];
    if (volume >= 100) return sample;
    if (volume <= 0) return 0;
    return static_cast<int16_t>(std::trunc(sample * volume / 100.0));
}

TEST(CaptureAudio, FramesTileTheSoundtrackExactlyAtAnyRates) {
    struct Rates {
        int32_t rate, fps;
    };
    for (const Rates r : {Rates{44100, 60}, Rates{44100, 7}, Rates{48000, 24}, Rates{22050, 1000},
                          Rates{8000, 3}, Rates{44100, 1}, Rates{32000, 999}}) {
        SCOPED_TRACE(testing::Message() << r.rate << " Hz at " << r.fps << " fps");
        // Reference: walk the frames adding rate / fps with its remainder
        // carried, as one would count samples by hand.
        int64_t expectedFirst = 0, carry = 0;
        for (int64_t n = 0; n < 5000; ++n) {
            const SampleSpan span = samplesOfFrame(n, r.rate, r.fps);
            ASSERT_EQ(span.first, expectedFirst) << "frame " << n;
            carry += r.rate % r.fps;
            const int64_t count = r.rate / r.fps + carry / r.fps;
            carry %= r.fps;
            ASSERT_EQ(span.count, count) << "frame " << n;
            expectedFirst += count;
        }
        // Far into a run nothing drifts: n frames hold n × rate / fps samples.
        const int64_t n = 20 * 60 * 1000;
        EXPECT_EQ(samplesOfFrame(n, r.rate, r.fps).first, n * r.rate / r.fps);
    }
}

TEST(CaptureAudio, LoopsAcrossTheEndAsThePlayedSoundtrackDoes) {
    // 1000 sample frames at 8000 Hz and 3 fps: each video frame holds 2666
    // or 2667 sample frames, so every frame crosses the loop's end twice.
    CaptureAudio capture;
    capture.use(numbered(8000, 2, 1000));
    const DecodedAudio reference = numbered(8000, 2, 1000);
    EXPECT_TRUE(capture.hasSound());
    EXPECT_EQ(capture.bytesPerSecond(), 32000);
    EXPECT_EQ(capture.loopBytes(), 4000u);
    uint64_t at = 0;
    for (int64_t frame = 0; frame < 10; ++frame) {
        const std::vector<int16_t>& got = capture.samplesFor(frame, 3, 100);
        ASSERT_EQ(got.size() % 2, 0u);
        for (size_t i = 0; i < got.size() / 2; ++i, ++at)
            for (int32_t c = 0; c < 2; ++c)
                ASSERT_EQ(got[i * 2 + c], heard(reference, at, c, 100))
                    << "frame " << frame << " sample " << i;
    }
    EXPECT_EQ(at, 10u * 8000 / 3);
}

TEST(CaptureAudio, VolumeScalesLikeThePlayedSoundtrack) {
    // Mono, with the extremes and small negative values, where rounding
    // toward zero and toward minus infinity part ways.
    DecodedAudio audio;
    audio.rate = 1000;
    audio.channels = 1;
    audio.samples = {32767, -32768, -1, 1, -3, 3, -199, 199, 0, 12345, -12345};
    for (const int32_t volume : {100, 150, 99, 50, 33, 1, 0, -4}) {
        SCOPED_TRACE(volume);
        std::vector<int16_t> out(25, 77);
        copyLoopedSamples(audio, 4, 25, volume, out.data());
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], heard(audio, 4 + i, 0, volume)) << "sample " << i;
    }
    CaptureAudio capture;
    capture.use(audio);
    const std::vector<int16_t>& half = capture.samplesFor(0, 100, 50); // 10 samples
    ASSERT_EQ(half.size(), 10u);
    EXPECT_EQ(half[1], -16384);
    EXPECT_EQ(half[4], -1); // -3 / 2 toward zero
}

TEST(CaptureAudio, WithoutPlayableMusicEveryFrameIsSilenceOfTheRightLength) {
    synctest::TempDir dir;
    const std::string notMp3 = dir.write("music.mp3", "not an mp3 at all, just some text\n");
    for (const std::string& path : {dir.file("missing.mp3"), notMp3}) {
        SCOPED_TRACE(path);
        CaptureAudio capture;
        EXPECT_FALSE(capture.load(path.c_str()));
        EXPECT_FALSE(capture.whyNoSound().empty());
        EXPECT_EQ(capture.sampleRate(), 44100);
        EXPECT_EQ(capture.channels(), 2);
        EXPECT_EQ(capture.bytesPerSecond(), 176400);
        EXPECT_EQ(capture.loopBytes(), 0u); // the clock never starts over
        int64_t total = 0;
        for (int64_t frame = 0; frame < 70; ++frame) {
            const std::vector<int16_t>& got = capture.samplesFor(frame, 7, 100);
            for (int16_t s : got) ASSERT_EQ(s, 0);
            total += static_cast<int64_t>(got.size());
        }
        EXPECT_EQ(total, 2 * 70 * 44100 / 7);
    }
}

} // namespace
