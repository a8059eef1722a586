// Decoding as it plays: the ring between the decoding thread and the audio
// thread (looping, jumps, pause, fades), the streamed decoder and the files
// it turns down.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "capture/CaptureAudio.h"
#include "platform/DecodeAhead.h"
#include "platform/Mp3Decode.h"
#include "platform/Mp3Stream.h"
#include "platform/RingPlayer.h"
#include "platform/SampleRing.h"
#include "platform/Soundtrack.h"
#include "sync_support.h"

namespace {

std::string toneMp3(const synctest::TempDir& dir, const std::string& name, double seconds,
                    int32_t rate, int32_t channels, double hertz = 440.0) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(synctest::writeMp3(
        path, synctest::tone(rate, channels, static_cast<size_t>(seconds * rate), hertz), rate,
        channels));
    return path;
}

// Takes `frames` sample frames from the player, one device buffer at a time.
std::vector<int16_t> take(RingPlayer& player, size_t frames, int32_t channels,
                          size_t buffer = 256) {
    std::vector<int16_t> out(frames * static_cast<size_t>(channels));
    for (size_t at = 0; at < frames; at += buffer)
        player.fill(out.data() + at * channels, std::min(buffer, frames - at), 0);
    return out;
}

// Blocks numbered so that each sample tells where it came from.
void pushCounting(SampleRing& ring, uint32_t generation, uint64_t from, size_t blocks) {
    for (size_t b = 0; b < blocks; ++b) {
        SampleBlock* slot = ring.slotToFill();
        ASSERT_NE(slot, nullptr);
        slot->timeline = from + b * SampleBlock::maxFrames;
        slot->frames = SampleBlock::maxFrames;
        slot->generation = generation;
        for (size_t i = 0; i < SampleBlock::maxFrames; ++i)
            slot->samples[i] = static_cast<int16_t>(1000 + (slot->timeline + i) % 20000);
        ring.publish();
    }
}

TEST(SyncStream, DecodingAheadLoopsThePassGaplesslyInBoundedBlocks) {
    synctest::TempDir dir;
    const std::string path = toneMp3(dir, "tone.mp3", 0.3, 22050, 1);
    DecodedAudio whole;
    std::string error;
    ASSERT_TRUE(decodeMp3File(path.c_str(), whole, error)) << error;
    Mp3Stream stream;
    ASSERT_TRUE(stream.open(path.c_str(), error)) << error;
    EXPECT_EQ(stream.announcedFrames(), whole.frames());
    EXPECT_EQ(stream.source().measureFrames(), whole.frames());

    SampleRing ring(8);
    DecodeAhead decoder(std::move(stream), ring);
    ASSERT_TRUE(decoder.prefill(4));
    decoder.start();
    // Three passes and a half, read on as the ring fills; every block lies
    // where its timeline says, and the pass is known before its end is heard.
    const size_t total = whole.frames() * 7 / 2;
    std::vector<int16_t> heard;
    const auto start = std::chrono::steady_clock::now();
    while (heard.size() < total &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        SampleBlock* block = ring.oldest();
        if (block == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        ASSERT_EQ(block->timeline, heard.size());
        if (block->timeline + block->frames >= whole.frames()) {
            ASSERT_EQ(decoder.passFrames(), whole.frames());
        }
        heard.insert(heard.end(), block->samples, block->samples + block->frames);
        ring.release();
    }
    ASSERT_GE(heard.size(), total);
    for (size_t i = 0; i < total; ++i)
        ASSERT_EQ(heard[i], whole.samples[i % whole.samples.size()]) << "frame " << i;
}

TEST(SyncStream, JumpsAndPausesFadeAndKeepThePlace) {
    SampleRing ring(16);
    RingPlayer player(ring, 1, 100);
    pushCounting(ring, 0, 0, 4);

    // Plain play hands the samples over untouched.
    std::vector<int16_t> out = take(player, 1000, 1);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], 1000 + static_cast<int>(i));
    RingPlayer::Progress now;
    ASSERT_TRUE(player.progress(now));
    EXPECT_EQ(now.end, 1000u);

    // Pause: a falling ramp over 100 frames, then silence, the place kept.
    player.setPaused(true);
    out = take(player, 600, 1, 300);
    for (size_t i = 1; i < 100; ++i) {
        ASSERT_LE(std::abs(out[i]), 2100 * (100 - static_cast<int>(i)) / 100);
        ASSERT_LE(std::abs(out[i]), std::abs(out[i - 1]) + 2);
    }
    for (size_t i = 100; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
    ASSERT_TRUE(player.progress(now));
    EXPECT_EQ(now.end, 1100u);
    EXPECT_EQ(now.lastFrames, 0u);
    take(player, 300, 1);
    ASSERT_TRUE(player.progress(now));
    EXPECT_EQ(now.end, 1100u);

    // Resume: a rising ramp from where it stopped, then the samples as they are.
    player.setPaused(false);
    out = take(player, 300, 1);
    EXPECT_LT(std::abs(out[0]), 100);
    for (size_t i = 100; i < out.size(); ++i) ASSERT_EQ(out[i], 2100 + static_cast<int>(i)) << i;

    // Jump: the old blocks fade out and go unheard; the new start fades in.
    player.jump(1);
    pushCounting(ring, 1, 50000, 2);
    out = take(player, 400, 1, 400);
    ASSERT_TRUE(player.progress(now));
    EXPECT_EQ(now.generation, 1u);
    EXPECT_EQ(now.end, 50000u + 300u);
    for (size_t i = 200; i < 400; ++i)
        ASSERT_EQ(out[i], 1000 + static_cast<int>((50000 + i - 100) % 20000)) << i;

    // Running dry gives silence, and play that comes back fades in.
    out = take(player, 4000, 1);
    EXPECT_EQ(out.back(), 0);
    pushCounting(ring, 1, 52048, 1);
    out = take(player, 200, 1);
    EXPECT_LT(std::abs(out[0]), 400); // a hundredth of about 13000
    EXPECT_EQ(out[150], 1000 + (52048 + 150) % 20000);
}

class SyncStreamDevice : public ::testing::Test {
  protected:
    void SetUp() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    synctest::TempDir dir;
};

// Reads the position until it settles or `seconds` pass; the last reading.
uint32_t readFor(Soundtrack& music, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    uint32_t p = 0;
    while (std::chrono::steady_clock::now() < end) {
        p = music.position();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return p;
}

TEST_F(SyncStreamDevice, PlayFromPauseAndResumeMoveThePosition) {
    const std::string path = toneMp3(dir, "tone.mp3", 3.0, 44100, 2);
    for (const char* driver : {"dummy", "no-such-driver"}) {
        SCOPED_TRACE(driver);
        setenv("SDL_AUDIODRIVER", driver, 1);
        Soundtrack music;
        testing::internal::CaptureStderr();
        music.start(path.c_str());
        testing::internal::GetCapturedStderr();
        readFor(music, 0.1);
        music.playFrom(2 * 176400 + 2); // 2 s in (to a whole frame)
        EXPECT_EQ(music.position(), 2u * 176400u);
        const uint32_t later = readFor(music, 0.3);
        EXPECT_GT(later, 2u * 176400u + 176400u / 10);
        EXPECT_LT(later, 2u * 176400u + 176400u);

        music.pause();
        EXPECT_TRUE(music.paused());
        const uint32_t stopped = readFor(music, 0.1);
        EXPECT_EQ(readFor(music, 0.2), stopped);
        EXPECT_LT(stopped - later, 176400u / 5);

        // A jump while paused stays paused there.
        music.playFrom(176400);
        EXPECT_EQ(readFor(music, 0.1), 176400u);
        music.resume();
        const uint32_t resumed = readFor(music, 0.3);
        EXPECT_GT(resumed, 176400u + 176400u / 10);
        EXPECT_LT(resumed, 2u * 176400u);

        // Past the end wraps into the pass.
        music.playFrom(music.loopBytes() + 4 * 100);
        EXPECT_EQ(music.position(), 400u);
    }
}

TEST_F(SyncStreamDevice, FilesThatAreNotRegularAreTurnedDownAtOnce) {
    const std::string fifo = dir.file("fifo.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string locked = toneMp3(dir, "locked.mp3", 0.1, 44100, 2);
    chmod(locked.c_str(), 0);
    const std::string text = dir.write("text.mp3", "just text\n");
    struct Case {
        std::string path, reason;
    };
    std::vector<Case> cases = {{fifo, "is not a regular file"},
                               {"/dev/zero", "is not a regular file"},
                               {dir.path.string(), "is not a regular file"},
                               {dir.file("missing.mp3"), "no such file"},
                               {text, "is not an MP3"}};
    if (geteuid() != 0) cases.push_back({locked, "permission denied"}); // root reads anything
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto start = std::chrono::steady_clock::now();
        Soundtrack music;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(music.start(c.path.c_str()));
        const std::string said = testing::internal::GetCapturedStderr();
        CaptureAudio capture;
        EXPECT_FALSE(capture.load(c.path.c_str()));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_NE(music.whyNoSound().find(c.reason), std::string::npos) << music.whyNoSound();
        EXPECT_NE(capture.whyNoSound().find(c.reason), std::string::npos);
        // One line of ours, none of the decoder's.
        EXPECT_EQ(said.find("error:"), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

TEST_F(SyncStreamDevice, AStreamThatChangesFormatPlaysInItsFirstFormat) {
    // 0.5 s of 44.1 kHz stereo, then 0.5 s of 22.05 kHz mono, in one file.
    const std::string first = toneMp3(dir, "a.mp3", 0.5, 44100, 2);
    const std::string second = toneMp3(dir, "b.mp3", 0.5, 22050, 1, 330.0);
    const std::string both =
        dir.write("both.mp3", synctest::readFile(first) + synctest::readFile(second));
    DecodedAudio whole;
    std::string error;
    ASSERT_TRUE(decodeMp3File(both.c_str(), whole, error)) << error;
    EXPECT_EQ(whole.rate, 44100);
    EXPECT_EQ(whole.channels, 2);
    // Both halves are there, the second resampled to the first's rate.
    EXPECT_GT(whole.frames(), 44100u * 95 / 100);
    EXPECT_LT(whole.frames(), 44100u * 115 / 100);
    int64_t late = 0;
    for (size_t i = whole.samples.size() * 3 / 4; i < whole.samples.size(); ++i)
        late += std::abs(whole.samples[i]);
    EXPECT_GT(late / static_cast<int64_t>(whole.samples.size() / 4), 1000) << "second part silent";

    // The capture and the measured pass agree with the whole decode.
    CaptureAudio capture;
    ASSERT_TRUE(capture.load(both.c_str())) << capture.whyNoSound();
    EXPECT_EQ(capture.loopBytes(), whole.frames() * 4);
    uint64_t at = 0;
    for (int64_t frame = 0; frame < 90; ++frame) {
        const std::vector<int16_t>& got = capture.samplesFor(frame, 60, 100);
        for (size_t i = 0; i < got.size(); ++i, ++at)
            ASSERT_EQ(got[i], whole.samples[at % whole.samples.size()]) << "frame " << frame;
    }

    Soundtrack music;
    ASSERT_TRUE(music.start(both.c_str())) << music.whyNoSound();
    EXPECT_EQ(music.bytesPerSecond(), 176400);
}

TEST(SyncStreamCapture, FramesOutOfOrderGetTheSameSamples) {
    synctest::TempDir dir;
    const std::string path = toneMp3(dir, "tone.mp3", 0.4, 8000, 1);
    DecodedAudio whole;
    std::string error;
    ASSERT_TRUE(decodeMp3File(path.c_str(), whole, error)) << error;
    CaptureAudio streamed, given;
    ASSERT_TRUE(streamed.load(path.c_str()));
    given.use(whole);
    EXPECT_EQ(streamed.loopBytes(), given.loopBytes());
    for (const int64_t frame : {0, 1, 2, 30, 31, 5, 200, 3, 4}) {
        SCOPED_TRACE(frame);
        const std::vector<int16_t> a = streamed.samplesFor(frame, 30, 70);
        EXPECT_EQ(a, given.samplesFor(frame, 30, 70));
    }
}

} // namespace
