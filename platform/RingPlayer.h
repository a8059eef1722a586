#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/SampleRing.h"

// The audio thread's side of the soundtrack: turns the blocks of a
// SampleRing into device buffers at the output volume, and tells where on
// the play line the sample last handed over lies.
//
// A jump (play from elsewhere) or a pause fades the sound out over a few
// milliseconds of samples first, and play that resumes fades in, so neither
// clicks. Blocks of an earlier start of play are then dropped unheard.
// Plain play has no fade: every sample leaves exactly as scaleSamples makes it.
//
// Threads: fill runs on the audio thread; jump, setPaused and setVolume on
// one control thread; progress on any. Only atomics are shared, no locks.
class RingPlayer {
  public:
    RingPlayer(SampleRing& ring, int32_t channels, int32_t fadeFrames);

    // Control thread: play the blocks of `generation` from now on (larger
    // than any asked before); stop and go on; the output volume, 0..100.
    void jump(uint32_t generation) { wanted.store(generation, std::memory_order_release); }
    void setPaused(bool paused) { pauseWanted.store(paused, std::memory_order_release); }
    void setVolume(int32_t volume) { gain.store(volume, std::memory_order_relaxed); }

    size_t frameBytes() const { return static_cast<size_t>(channels) * 2; }

    // Audio thread: the next `frames` sample frames of output, handed over at
    // `nowNanos` on the steady clock.
    void fill(int16_t* out, size_t frames, int64_t nowNanos);

    // What the last fill handed over: the play line position just after its
    // last stream sample, how many stream samples it held, when, and of
    // which start of play; `sent` counts every stream sample handed over.
    struct Progress {
        uint64_t end = 0;
        uint64_t lastFrames = 0;
        int64_t at = 0;
        uint32_t generation = 0;
        uint64_t sent = 0;
    };
    // False when the audio thread was caught mid-update every time it looked.
    bool progress(Progress& out) const;

  private:
    enum class Mode { playing, fadingOut, quiet, fadingIn };
    void publish(uint64_t consumed, int64_t nowNanos);
    size_t playRun(int16_t* out, size_t frames, int32_t volume);
    void dropStale(uint32_t generation);

    SampleRing& ring;
    const int32_t channels;
    const int32_t fadeFrames;

    // The audio thread's own.
    Mode mode = Mode::playing;
    uint32_t playingGeneration = 0;
    uint64_t position = 0;
    size_t offset = 0;    // frames of the oldest block already played
    int32_t fadeStep = 0; // frames of the current fade done
    uint64_t sentTotal = 0;

    std::atomic<uint32_t> wanted{0};
    std::atomic<bool> pauseWanted{false};
    std::atomic<int32_t> gain{100};

    // Published by fill; `publishCount` is odd while they change.
    std::atomic<uint32_t> publishCount{0};
    std::atomic<uint64_t> publishedEnd{0};
    std::atomic<uint64_t> publishedLast{0};
    std::atomic<int64_t> publishedAt{0};
    std::atomic<uint32_t> publishedGeneration{0};
    std::atomic<uint64_t> publishedSent{0};
};
