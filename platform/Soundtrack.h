#pragma once
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "platform/MusicClock.h"

class DecodeAhead;
struct Mp3Source;
class RingPlayer;
class SampleRing;

// The soundtrack: an MP3 file decoded as it plays (gapless, so positions are
// exact) a little ahead of the default SDL audio output, looped, in the
// stream's own format. As a clock it reports the position of the sample being
// heard now, in bytes of decoded 16-bit data, starting over with each pass.
// Play can start elsewhere and pause; both fade briefly so they do not click.
//
// When there is no audio output, no file or no audio in it, the show still
// runs: the clock then follows a steady wall clock in the same unit (the
// stream's format if it opened, else 44100 Hz stereo) and one line on stderr
// says why there is no sound.
//
// Threads: SDL's audio thread takes decoded blocks from a ring that a
// decoding thread keeps filled; neither waits on the other. Every member
// function belongs to the one thread that calls start. No locks are taken
// on the audio thread.
class Soundtrack final : public MusicClock {
  public:
    Soundtrack();
    ~Soundtrack() override;
    Soundtrack(const Soundtrack&) = delete;
    Soundtrack& operator=(const Soundtrack&) = delete;

    // Opens `fileName`, decodes its first moments and opens the default
    // output, without starting play: the slow part of start, which may run on
    // another thread while the program gets ready (the thread that calls
    // start takes the soundtrack over once this has returned). Returns false
    // when the soundtrack will keep time by the wall clock (see whyNoSound).
    // Only the first call does anything.
    bool prepare(const char* fileName);
    // Prepares the soundtrack if that was not done, and starts looped play
    // (or the wall clock, saying on stderr why there is no sound). Returns
    // false when it fell back to the wall clock. Only the first call does
    // anything.
    bool start(const char* fileName);

    uint32_t position() override;
    // 0 (silent) to 100 (unchanged); values outside are clamped.
    void setVolume(int32_t volume) override;
    int32_t bytesPerSecond() const override { return rate * channels * 2; }

    // Plays on from `position` (bytes, as position() gives them; wrapped into
    // the pass) after a short fade out of what plays now. Paused, it stays
    // paused there. position() reports the new place from this call on.
    void playFrom(uint32_t position);
    // Stops play, fading out, and keeps the place: position() stands still
    // until resume, which fades in from there.
    void pause();
    void resume();
    bool paused() const { return isPaused; }

    bool hasSound() const { return device != 0; }
    const std::string& whyNoSound() const { return noSoundReason; }
    int32_t volume() const { return gain; }
    // Bytes of one pass through the stream; 0 while it is not known (no
    // stream, or a file that does not tell its length before it has been
    // decoded or measured to its end).
    uint32_t loopBytes() const;
    // Sample frames per device buffer (the output's latency), 0 without sound.
    int32_t bufferFrames() const { return deviceBufferFrames; }
    // Stream sample frames handed to the device so far, over all passes.
    uint64_t framesSent() const;

  private:
    using SteadyClock = std::chrono::steady_clock;

    static void SDLCALL feedDevice(void* self, Uint8* out, int length);
    bool openOutput();
    void fallBack(const std::string& reason);
    uint64_t passFrames() const;
    uint64_t heardFrames();
    uint64_t wallClockFrames() const;
    uint32_t bytesAt(uint64_t frames) const;

    int32_t rate = 44100;
    int32_t channels = 2;
    int32_t gain = 100;
    bool prepared = false;
    bool started = false;
    SDL_AudioDeviceID device = 0;
    bool audioSubsystem = false;
    int32_t deviceBufferFrames = 0;
    std::string noSoundReason;
    uint64_t announcedFrames = 0; // the pass as the file's tag gives it

    // The play line: where play last (re)started, in frames from the start of
    // the pass, and which start of play that was.
    uint32_t generation = 0;
    uint64_t startFrame = 0;
    bool isPaused = false;
    uint32_t heardGeneration = 0;
    uint64_t lastHeard = 0; // keeps the position from stepping back between loops

    // The wall clock: frames at wallStart, counted on from there unless paused.
    SteadyClock::time_point wallStart = SteadyClock::now();
    uint64_t wallBase = 0;

    // Sound: the ring between the decoding thread and the audio thread.
    std::unique_ptr<SampleRing> ring;
    std::unique_ptr<RingPlayer> player;
    std::unique_ptr<DecodeAhead> decoder;
    // Without an output: a thread that measures the pass for the wall clock.
    std::shared_ptr<std::atomic<uint64_t>> measuredFrames =
        std::make_shared<std::atomic<uint64_t>>(0);
    std::unique_ptr<Mp3Source> unmeasured; // the stream to measure once play starts
    std::jthread measurer;
};
