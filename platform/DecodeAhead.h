#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Mp3Stream.h"
#include "platform/SampleRing.h"

// The decoding thread of the soundtrack: keeps a SampleRing full of the
// stream's samples, looped without a gap (each pass decodes exactly like the
// first), so the audio thread never waits on the decoder and only a ring's
// worth of sound is ever held in memory.
//
// The block that ends a pass is handed over only after the pass length is
// published, so a reader of passFrames() never sees the play line pass the
// end of a pass whose length it does not know yet.
class DecodeAhead {
  public:
    DecodeAhead(Mp3Stream stream, SampleRing& ring);
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // On the calling thread, before start: fills up to `blocks` blocks.
    // Returns false when the stream gives no sample at all.
    bool prefill(size_t blocks);
    // Decodes on a thread of its own from here on, as the ring empties.
    void start();

    // Control thread: the blocks of `generation` (larger than any before)
    // start at sample frame `frame` of the pass (wrapped into the pass when
    // its length is known).
    void jump(uint32_t generation, uint64_t frame);

    // Sample frames of one pass, 0 until the decoder first reached an end.
    uint64_t passFrames() const { return pass.load(std::memory_order_acquire); }

  private:
    struct Chunk {
        std::vector<int16_t> samples;
        uint64_t timeline = 0;
        uint32_t frames = 0;
        uint32_t generation = 0;
    };
    void run(std::stop_token stop);
    bool produce(std::stop_token stop);
    bool decodeChunk(Chunk& chunk, std::stop_token stop);
    void takeJump(std::stop_token stop);

    Mp3Stream stream;
    SampleRing& ring;
    std::atomic<uint64_t> pass{0};

    // The decoding thread's own (the calling thread's before start).
    Chunk held;      // decoded, not handed over until the chunk after it is known
    Chunk following; // scratch for that next chunk
    uint64_t timeline = 0;
    uint64_t inPass = 0;
    uint32_t generation = 0;
    bool exhausted = false; // the stream gives nothing any more

    // Jump requests from the control thread.
    std::mutex requestLock;
    std::condition_variable_any wake;
    uint32_t requestedGeneration = 0;
    uint64_t requestedFrame = 0;

    std::jthread worker; // last: stops before the members above go
};
