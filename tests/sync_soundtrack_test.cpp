// The soundtrack through SDL's dummy and disk audio drivers, its wall-clock
// fallback, and the start-up that ties it to the sync script.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/Mp3Decode.h"
#include "platform/Soundtrack.h"
#include "shell/Music.h"
#include "sync/FrameClock.h"
#include "sync/MusicSync.h"
#include "sync_support.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name(name) {
        if (const char* old = std::getenv(name)) previous = old, hadValue = true;
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (hadValue)
            setenv(name, previous.c_str(), 1);
        else
            unsetenv(name);
    }

  private:
    const char* name;
    std::string previous;
    bool hadValue = false;
};

int countLines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

class SyncSoundtrack : public ::testing::Test {
  protected:
    // A tone of `seconds` written as an MP3 file; returns its path.
    std::string toneFile(double seconds, int32_t rate = 44100, int32_t channels = 2) {
        const auto frames = static_cast<size_t>(seconds * rate);
        const std::string path = dir.file("tone.mp3");
        EXPECT_TRUE(synctest::writeMp3(path, synctest::tone(rate, channels, frames, 440.0), rate,
                                       channels));
        return path;
    }

    synctest::TempDir dir;
    ScopedEnv driver{"SDL_AUDIODRIVER", "dummy"};
};

TEST_F(SyncSoundtrack, PositionFollowsWhatTheDeviceHasPlayed) {
    const std::string path = toneFile(2.0);
    Soundtrack music;
    ASSERT_TRUE(music.start(path.c_str())) << music.whyNoSound();
    const auto start = SteadyClock::now();
    EXPECT_EQ(music.bytesPerSecond(), 176400);
    EXPECT_EQ(music.loopBytes(), 88200u * 4u); // gapless: exactly the frames encoded
    const auto buffer = static_cast<uint64_t>(music.bufferFrames());
    EXPECT_GT(buffer, 0u);
    EXPECT_LE(buffer * 1000 / 44100, 25u);

    uint32_t first = 0, previous = 0, last = 0;
    double firstAt = 0, lastAt = 0;
    uint64_t behind = 0, readings = 0;
    // Watch for 0.3 s from the first sound on (well inside the first pass).
    while (secondsSince(start) < 5.0 && (first == 0 || lastAt - firstAt < 0.3)) {
        const uint64_t sentBefore = music.framesSent();
        const uint32_t p = music.position();
        const uint64_t sentAfter = music.framesSent();
        const double at = secondsSince(start);
        ASSERT_EQ(p % 4, 0u);
        ASSERT_GE(p, previous);
        // The sample heard lies within the last buffer handed to the device.
        ASSERT_LE(p / 4, sentAfter);
        ASSERT_GE(p / 4 + buffer, sentBefore);
        behind += sentBefore - std::min<uint64_t>(sentBefore, p / 4);
        ++readings;
        if (first == 0 && p > 0) first = p, firstAt = at;
        previous = last = p, lastAt = at;
        sleepMs(2);
    }
    ASSERT_GE(lastAt - firstAt, 0.3) << "the position did not grow";
    const double rate = (last - first) / (lastAt - firstAt);
    // Loose, for a busy machine; a wrong unit would be off by half or double.
    EXPECT_NEAR(rate, 176400.0, 176400.0 * 0.4);
    // What is still buffered has not been heard yet: on average the heard
    // sample trails the device's count by about half a buffer.
    EXPECT_GT(behind / readings, buffer / 8);
}

TEST_F(SyncSoundtrack, PositionStartsOverWhenTheLoopDoes) {
    const std::string path = toneFile(0.3);
    Soundtrack music;
    const auto start = SteadyClock::now();
    ASSERT_TRUE(music.start(path.c_str())) << music.whyNoSound();
    const uint32_t loop = music.loopBytes();
    uint32_t previous = 0;
    double wrappedAt = -1;
    while (secondsSince(start) < 2.0) {
        const uint32_t p = music.position();
        ASSERT_LT(p, loop);
        if (p < previous) {
            EXPECT_GT(previous, loop / 2);
            EXPECT_LT(p, loop / 2);
            wrappedAt = secondsSince(start);
            break;
        }
        previous = p;
        sleepMs(2);
    }
    ASSERT_GE(wrappedAt, 0) << "the position never started over";
    EXPECT_GT(wrappedAt, 0.25) << "started over before a whole pass was heard";
}

// Offset, in samples, at which `played` starts with the first samples of
// `stream`: the device may write silent buffers before play begins.
size_t findStart(const std::vector<int16_t>& played, const std::vector<int16_t>& stream,
                 size_t step) {
    const size_t probe = 2048;
    for (size_t at = 0; at + probe <= played.size(); at += step)
        if (std::equal(stream.begin(), stream.begin() + probe, played.begin() + at)) return at;
    return played.size();
}

// Waits (at most 3 s) until the device has taken `frames` sample frames.
bool playUntil(const Soundtrack& music, uint64_t frames) {
    const auto start = SteadyClock::now();
    while (music.framesSent() < frames) {
        if (secondsSince(start) > 3.0) return false;
        sleepMs(5);
    }
    return true;
}

std::vector<int16_t> samplesOf(const std::string& bytes) {
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

TEST_F(SyncSoundtrack, DeviceGetsTheStreamLoopedAndScaledByVolume) {
    const std::string path = toneFile(0.25);
    DecodedAudio stream;
    std::string error;
    ASSERT_TRUE(decodeMp3File(path.c_str(), stream, error)) << error;
    const std::string output = dir.file("played.raw");
    ScopedEnv disk("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", output.c_str());

    // Full volume over more than one pass, then silence.
    int32_t buffer = 0;
    {
        Soundtrack music;
        ASSERT_TRUE(music.start(path.c_str())) << music.whyNoSound();
        buffer = music.bufferFrames();
        const uint64_t pass = stream.frames();
        ASSERT_TRUE(playUntil(music, pass + pass / 2));
        music.setVolume(0);
        ASSERT_TRUE(playUntil(music, music.framesSent() + 4 * static_cast<uint64_t>(buffer)));
    }
    std::vector<int16_t> played = samplesOf(synctest::readFile(output));
    const size_t begin = findStart(played, stream.samples, static_cast<size_t>(buffer) * 2);
    ASSERT_LT(begin, played.size()) << "the stream's start was never played";
    size_t i = begin;
    while (i < played.size() && played[i] == stream.samples[(i - begin) % stream.samples.size()] &&
           !(played[i] == 0 && i + 64 < played.size() &&
             std::all_of(played.begin() + i, played.end(), [](int16_t s) { return s == 0; })))
        ++i;
    EXPECT_GT(i - begin, stream.samples.size()) << "full volume did not play a whole pass";
    const bool silentAfter =
        std::all_of(played.begin() + i, played.end(), [](int16_t s) { return s == 0; });
    EXPECT_TRUE(silentAfter) << "after volume 0 the output is not silent";
    EXPECT_GT(played.size() - i, static_cast<size_t>(buffer) * 2) << "no silence was played";

    // Half volume halves every sample.
    {
        Soundtrack music;
        music.setVolume(50);
        ASSERT_TRUE(music.start(path.c_str()));
        ASSERT_TRUE(playUntil(music, 4 * static_cast<uint64_t>(music.bufferFrames())));
    }
    played = samplesOf(synctest::readFile(output));
    // Align on the first buffer with sound, then compare sample by sample.
    size_t start = 0;
    while (start < played.size() && played[start] == 0) ++start;
    start -= start % (static_cast<size_t>(buffer) * 2);
    size_t compared = 0, far = 0;
    for (size_t k = start; k < played.size(); ++k, ++compared) {
        const int expected = stream.samples[(k - start) % stream.samples.size()] / 2;
        if (std::abs(played[k] - expected) > 1) ++far;
    }
    EXPECT_GT(compared, 1000u);
    EXPECT_EQ(far, 0u);
}

TEST_F(SyncSoundtrack, FallsBackToTheWallClockWithOneLine) {
    const std::string garbage = dir.write("garbage.mp3", std::string(5000, 'x'));
    const std::string empty = dir.write("empty.mp3", "");
    for (const std::string& path : {dir.file("missing.mp3"), garbage, empty}) {
        SCOPED_TRACE(path);
        Soundtrack music;
        testing::internal::CaptureStderr();
        const auto before = SteadyClock::now();
        const bool sound = music.start(path.c_str());
        const auto after = SteadyClock::now();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(sound);
        EXPECT_FALSE(music.hasSound());
        EXPECT_FALSE(music.whyNoSound().empty());
        EXPECT_EQ(countLines(said), 1) << said;
        EXPECT_EQ(music.bytesPerSecond(), 176400);
        sleepMs(30);
        // The reading lies between the times measured around the start.
        const auto readBefore = SteadyClock::now();
        const uint32_t p = music.position();
        const auto readAfter = SteadyClock::now();
        const double least = std::chrono::duration<double>(readBefore - after).count();
        const double most = std::chrono::duration<double>(readAfter - before).count();
        EXPECT_EQ(p % 4, 0u);
        EXPECT_GE(p + 4, static_cast<uint32_t>(least * 176400));
        EXPECT_LE(p, static_cast<uint32_t>(most * 176400) + 4);
        music.setVolume(140);
        EXPECT_EQ(music.volume(), 100);
    }
}

TEST_F(SyncSoundtrack, WithoutAnOutputTheClockKeepsTheStreamsFormatAndLoop) {
    const std::string path = toneFile(0.2, 22050, 1);
    ScopedEnv none("SDL_AUDIODRIVER", "no-such-driver");
    Soundtrack music;
    testing::internal::CaptureStderr();
    const auto start = SteadyClock::now();
    EXPECT_FALSE(music.start(path.c_str()));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countLines(said), 1) << said;
    EXPECT_EQ(music.bytesPerSecond(), 44100);
    EXPECT_EQ(music.loopBytes(), 4410u * 2u);
    uint32_t previous = 0;
    bool wrapped = false;
    while (secondsSince(start) < 2.0 && !wrapped) {
        const uint32_t p = music.position();
        EXPECT_LT(p, music.loopBytes());
        wrapped = p < previous;
        previous = p;
        sleepMs(2);
    }
    EXPECT_TRUE(wrapped);
}

// Start-up in a directory of its own: the script, then the music or the
// clock the capture gave.
class SyncStartUp : public SyncSoundtrack {
  protected:
    void SetUp() override {
        ASSERT_NE(getcwd(previousDir, sizeof previousDir), nullptr);
        dir.write("data/data", "s 1 p 1 t 2 1000 90 0 6000 40 0");
        ASSERT_EQ(chdir(dir.path.c_str()), 0);
        musicSync.setMusicStarter(soundtrackStarter());
    }
    void TearDown() override {
        EXPECT_EQ(chdir(previousDir), 0);
        musicSync.useClock(nullptr);
    }
    char previousDir[4096] = {};
};

TEST_F(SyncStartUp, GivenClockIsUsedAndNoAudioIsOpened) {
    FrameClock frames(176400, 60); // 2940 bytes a frame
    musicSync.useClock(&frames);
    const Uint32 audioBefore = SDL_WasInit(SDL_INIT_AUDIO);
    startMusicAndSync();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), audioBefore);
    EXPECT_EQ(musicSync.clock, &frames);
    EXPECT_EQ(musicSync.state.cursor[0][0], 0);
    std::vector<int32_t> track0;
    for (int f = 0; f < 4; ++f, frames.advance()) {
        int32_t values[tracksPerPattern];
        musicSync.updateEnvelopes(values, 0);
        track0.push_back(values[0]);
    }
    EXPECT_EQ(track0, (std::vector<int32_t>{0, 90, 90, 40}));
    musicSync.setVolume(55);
    EXPECT_EQ(frames.volume(), 55);
}

TEST_F(SyncStartUp, WithoutMusicTheShowRunsOnTheWallClock) {
    testing::internal::CaptureStderr();
    startMusicAndSync();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countLines(said), 1) << said;
    ASSERT_NE(musicSync.clock, nullptr);
    EXPECT_EQ(musicSync.clock->bytesPerSecond(), 176400);
    EXPECT_EQ(musicSync.patterns[0].eventCount[0], 2);
    int32_t values[tracksPerPattern];
    musicSync.updateEnvelopes(values, 0);
    EXPECT_GE(values[0], 0);
}

} // namespace
