#pragma once
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/Mp3Decode.h"
#include "platform/MusicClock.h"

// The soundtrack: an MP3 file decoded whole (gapless, so positions are exact)
// and played looped through the default SDL audio output in the stream's own
// format. As a clock it reports the position of the sample being heard now,
// in bytes of decoded 16-bit data.
//
// When there is no audio output, no file or no audio in it, the show still
// runs: the clock then follows a steady wall clock in the same unit (the
// stream's format if it decoded, else 44100 Hz stereo) and one line on stderr
// says why there is no sound.
//
// Threads: SDL's audio thread reads only the samples, the play counter and
// the gain; every other member belongs to the thread that calls start,
// position and setVolume. No locks are taken.
class Soundtrack final : public MusicClock {
public:
    Soundtrack() = default;
    ~Soundtrack() override;
    Soundtrack(const Soundtrack&) = delete;
    Soundtrack& operator=(const Soundtrack&) = delete;

    // Decodes `fileName`, opens the default output and starts looped play.
    // Returns false when it fell back to the wall clock (see whyNoSound).
    // Only the first call does anything.
    bool start(const char* fileName);

    uint32_t position() override;
    // 0 (silent) to 100 (unchanged); values outside are clamped.
    void setVolume(int32_t volume) override;
    int32_t bytesPerSecond() const override { return rate * channels * 2; }

    bool hasSound() const { return device != 0; }
    const std::string& whyNoSound() const { return noSoundReason; }
    int32_t volume() const { return gain.load(std::memory_order_relaxed); }
    // Bytes of one pass through the stream; 0 when nothing decoded.
    uint32_t loopBytes() const;
    // Sample frames per device buffer (the output's latency), 0 without sound.
    int32_t bufferFrames() const { return deviceBufferFrames; }
    // Sample frames handed to the device so far, over all passes.
    uint64_t framesSent() const { return sentFrames.load(std::memory_order_acquire); }

private:
    using SteadyClock = std::chrono::steady_clock;

    static void SDLCALL feedDevice(void* self, Uint8* out, int length);
    void fill(int16_t* out, size_t frames);
    bool openOutput();
    void fallBack(const std::string& reason);
    uint64_t heardFrames();
    uint64_t wallClockFrames() const;

    DecodedAudio audio;
    int32_t rate = 44100;
    int32_t channels = 2;
    bool started = false;
    SDL_AudioDeviceID device = 0;
    bool audioSubsystem = false;
    int32_t deviceBufferFrames = 0;
    std::string noSoundReason;
    SteadyClock::time_point wallStart = SteadyClock::now();
    uint64_t lastHeard = 0; // keeps the position from stepping back between loops

    // Shared with the audio thread. `sentFrames` and `sentAtNanos` describe
    // the last buffer handed over; `publishCount` is odd while they change,
    // so a reader can tell a torn pair and read again.
    std::atomic<int32_t> gain{100};
    std::atomic<uint32_t> publishCount{0};
    std::atomic<uint64_t> sentFrames{0};
    std::atomic<int64_t> sentAtNanos{0};
};
