#include "platform/RingPlayer.h"

#include <algorithm>
#include <cstring>

#include "platform/LoopedSamples.h"

RingPlayer::RingPlayer(SampleRing& ring, int32_t channels, int32_t fadeFrames)
    : ring(ring), channels(channels), fadeFrames(std::max(fadeFrames, 1)) {}

void RingPlayer::dropStale(uint32_t generation) {
    for (SampleBlock* block = ring.oldest(); block != nullptr && block->generation != generation;
         block = ring.oldest()) {
        ring.release();
        offset = 0;
    }
}

// Plays up to `frames` sample frames of the oldest block (at most what is
// left of a fade); returns how many.
size_t RingPlayer::playRun(int16_t* out, size_t frames, int32_t volume) {
    const SampleBlock& block = *ring.oldest();
    const auto perFrame = static_cast<size_t>(channels);
    size_t run = std::min(frames, block.frames - offset);
    if (mode != Mode::playing) run = std::min(run, static_cast<size_t>(fadeFrames - fadeStep));
    scaleSamples(block.samples + offset * perFrame, run * perFrame, volume, out);
    if (mode == Mode::fadingOut || mode == Mode::fadingIn) {
        // A straight ramp, ending silent (out) or at full level (in).
        for (size_t i = 0; i < run; ++i) {
            const int32_t step = fadeStep + static_cast<int32_t>(i) + 1;
            const int32_t level = mode == Mode::fadingIn ? step : fadeFrames - step;
            for (size_t c = 0; c < perFrame; ++c) {
                int16_t& sample = out[i * perFrame + c];
                sample = static_cast<int16_t>(sample * level / fadeFrames);
            }
        }
        fadeStep += static_cast<int32_t>(run);
    }
    offset += run;
    position = block.timeline + offset;
    if (offset == block.frames) {
        ring.release();
        offset = 0;
    }
    if (fadeStep == fadeFrames && mode == Mode::fadingOut) mode = Mode::quiet;
    if (fadeStep == fadeFrames && mode == Mode::fadingIn) mode = Mode::playing;
    return run;
}

void RingPlayer::fill(int16_t* out, size_t frames, int64_t nowNanos) {
    const uint32_t target = wanted.load(std::memory_order_acquire);
    const bool pause = pauseWanted.load(std::memory_order_acquire);
    const int32_t volume = gain.load(std::memory_order_relaxed);
    const auto perFrame = static_cast<size_t>(channels);
    uint64_t consumed = 0;
    size_t done = 0;
    while (done < frames) {
        const bool leave = pause || target != playingGeneration;
        if (leave && mode == Mode::playing) {
            mode = Mode::fadingOut;
            fadeStep = 0;
        } else if (leave && mode == Mode::fadingIn) {
            // Fade out from the level the fade in had reached.
            mode = Mode::fadingOut;
            fadeStep = fadeFrames - fadeStep;
        }
        if (mode == Mode::quiet) {
            dropStale(target);
            const SampleBlock* head = ring.oldest();
            if (head != nullptr && playingGeneration != target) {
                playingGeneration = target;
                position = head->timeline;
            }
            if (head != nullptr && !pause) {
                mode = Mode::fadingIn;
                fadeStep = 0;
                continue;
            }
            std::memset(out + done * perFrame, 0, (frames - done) * perFrame * sizeof(int16_t));
            break;
        }
        const SampleBlock* head = ring.oldest();
        if (head == nullptr || head->generation != playingGeneration) {
            // Ran dry, or only blocks of a newer start are left: what comes
            // next fades in.
            mode = Mode::quiet;
            continue;
        }
        const size_t run = playRun(out + done * perFrame, frames - done, volume);
        done += run;
        consumed += run;
    }
    sentTotal += consumed;
    publish(consumed, nowNanos);
}

void RingPlayer::publish(uint64_t consumed, int64_t nowNanos) {
    const uint32_t count = publishCount.load(std::memory_order_relaxed);
    publishCount.store(count + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    publishedEnd.store(position, std::memory_order_relaxed);
    publishedLast.store(consumed, std::memory_order_relaxed);
    publishedAt.store(nowNanos, std::memory_order_relaxed);
    publishedGeneration.store(playingGeneration, std::memory_order_relaxed);
    publishedSent.store(sentTotal, std::memory_order_relaxed);
    publishCount.store(count + 2, std::memory_order_release);
}

bool RingPlayer::progress(Progress& out) const {
    for (int attempt = 0; attempt < 64; ++attempt) {
        const uint32_t before = publishCount.load(std::memory_order_acquire);
        if (before & 1U) continue;
        Progress read;
        read.end = publishedEnd.load(std::memory_order_relaxed);
        read.lastFrames = publishedLast.load(std::memory_order_relaxed);
        read.at = publishedAt.load(std::memory_order_relaxed);
        read.generation = publishedGeneration.load(std::memory_order_relaxed);
        read.sent = publishedSent.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (publishCount.load(std::memory_order_relaxed) != before) continue;
        out = read;
        return true;
    }
    return false;
}
