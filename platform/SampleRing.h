#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// A block of decoded samples on its way from the decoding thread to the
// audio thread.
struct SampleBlock {
    static constexpr size_t maxFrames = 1024;
    static constexpr size_t maxChannels = 2;
    // Where its first sample frame lies on the play line: frames from the
    // stream's start counted on over the passes, from where play (re)started.
    uint64_t timeline = 0;
    uint32_t frames = 0;
    // Which start of play it belongs to (see RingPlayer::jump).
    uint32_t generation = 0;
    int16_t samples[maxFrames * maxChannels];
};

// A fixed number of blocks passed from one producer thread to one consumer
// thread in order, without locks: each side only moves its own counter.
class SampleRing {
  public:
    explicit SampleRing(size_t blocks) : slots(new SampleBlock[blocks]), count(blocks) {}

    // Producer: the slot to fill next, nullptr while the ring is full; then
    // publish() hands it over.
    SampleBlock* slotToFill() {
        const uint64_t w = written.load(std::memory_order_relaxed);
        if (w - taken.load(std::memory_order_acquire) >= count) return nullptr;
        return &slots[w % count];
    }
    void publish() { written.fetch_add(1, std::memory_order_release); }

    // Consumer: the oldest block handed over, nullptr while there is none;
    // release() gives its slot back.
    SampleBlock* oldest() {
        const uint64_t t = taken.load(std::memory_order_relaxed);
        if (written.load(std::memory_order_acquire) == t) return nullptr;
        return &slots[t % count];
    }
    void release() { taken.fetch_add(1, std::memory_order_release); }

    size_t capacity() const { return count; }

  private:
    std::unique_ptr<SampleBlock[]> slots;
    size_t count;
    alignas(64) std::atomic<uint64_t> written{0};
    alignas(64) std::atomic<uint64_t> taken{0};
};
