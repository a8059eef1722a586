#include "platform/DecodeAhead.h"

#include <algorithm>
#include <chrono>
#include <cstring>

DecodeAhead::DecodeAhead(Mp3Stream stream, SampleRing& ring)
    : stream(std::move(stream)), ring(ring) {
    const size_t samples = SampleBlock::maxFrames * static_cast<size_t>(this->stream.channels());
    held.samples.resize(samples);
    following.samples.resize(samples);
}

DecodeAhead::~DecodeAhead() {
    if (worker.joinable()) {
        worker.request_stop();
        wake.notify_all();
        worker.join();
    }
}

bool DecodeAhead::prefill(size_t blocks) {
    for (size_t i = 0; i < blocks && ring.slotToFill() != nullptr; ++i)
        if (!produce({})) break;
    return ring.oldest() != nullptr;
}

void DecodeAhead::start() {
    worker = std::jthread([this](std::stop_token stop) { run(stop); });
}

void DecodeAhead::jump(uint32_t newGeneration, uint64_t frame) {
    {
        std::lock_guard lock(requestLock);
        requestedGeneration = newGeneration;
        requestedFrame = frame;
    }
    wake.notify_all();
}

void DecodeAhead::run(std::stop_token stop) {
    std::unique_lock lock(requestLock);
    while (!stop.stop_requested()) {
        if (requestedGeneration != generation) {
            lock.unlock();
            takeJump(stop);
            lock.lock();
            continue;
        }
        lock.unlock();
        const bool made = !exhausted && ring.slotToFill() != nullptr && produce(stop);
        lock.lock();
        if (made) continue;
        // Full (or nothing left to decode): the audio thread frees a block
        // every few milliseconds; a jump or a stop wakes this at once.
        wake.wait_for(lock, stop, std::chrono::milliseconds(4),
                      [&] { return requestedGeneration != generation; });
    }
}

void DecodeAhead::takeJump(std::stop_token stop) {
    uint64_t frame = 0;
    {
        std::lock_guard lock(requestLock);
        generation = requestedGeneration;
        frame = requestedFrame;
    }
    held.frames = 0;
    exhausted = false;
    uint64_t length = passFrames();
    if (length > 0) frame %= length;
    bool placed = frame == 0 ? stream.restart() : stream.seek(frame);
    if (!placed && length == 0) {
        // Past the end of a pass whose length was not known yet.
        length = stream.source().measureFrames(stop);
        if (length > 0) {
            pass.store(length, std::memory_order_release);
            frame %= length;
            placed = frame == 0 ? stream.restart() : stream.seek(frame);
        }
    }
    if (!placed) {
        frame = 0;
        placed = stream.restart();
    }
    exhausted = !placed;
    timeline = frame;
    inPass = frame;
}

// Decodes the next chunk of the play line, starting the next pass where one
// ends. Returns false when nothing more decodes.
bool DecodeAhead::decodeChunk(Chunk& chunk, std::stop_token stop) {
    for (int attempt = 0; attempt < 2 && !stop.stop_requested(); ++attempt) {
        const size_t got = stream.read(chunk.samples.data(), SampleBlock::maxFrames);
        if (got > 0) {
            chunk.timeline = timeline;
            chunk.frames = static_cast<uint32_t>(got);
            chunk.generation = generation;
            timeline += got;
            inPass += got;
            return true;
        }
        // The end of a pass (or what the decoder could not get past).
        if (inPass == 0) break; // a pass without a sample: nothing to loop
        if (passFrames() == 0) pass.store(inPass, std::memory_order_release);
        inPass = 0;
        if (!stream.restart()) break;
    }
    exhausted = true;
    return false;
}

// Hands one block over: the chunk held back, once the chunk after it has
// been decoded (so the end of its pass is known first).
bool DecodeAhead::produce(std::stop_token stop) {
    if (held.frames == 0 && !decodeChunk(held, stop)) return false;
    const bool more = decodeChunk(following, stop);
    SampleBlock* slot = ring.slotToFill();
    slot->timeline = held.timeline;
    slot->frames = held.frames;
    slot->generation = held.generation;
    std::memcpy(slot->samples, held.samples.data(),
                held.frames * static_cast<size_t>(stream.channels()) * sizeof(int16_t));
    ring.publish();
    std::swap(held, following);
    if (!more) held.frames = 0;
    return true;
}
