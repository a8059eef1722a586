#include "demo/ShowEnd.h"

#include "demo/Assets.h"
#include "demo/SceneTwo.h"

int64_t firstFramePast(uint32_t position, const FrameClock& clock) {
    const auto bps = static_cast<uint64_t>(clock.bytesPerSecond());
    const auto fps = static_cast<uint64_t>(clock.framesPerSecond());
    // The least n with n * bps / fps >= position + 1; every frame before it
    // reads at most `position`.
    const uint64_t frame = ((static_cast<uint64_t>(position) + 1) * fps + bps - 1) / bps;
    const uint64_t reading = frame * bps / fps;
    const uint64_t end = clock.loopBytes() > 0 ? clock.loopBytes() : uint64_t{1} << 32;
    if (reading >= end) return -1;
    return static_cast<int64_t>(frame);
}

int64_t forecastQuitFrame(const MusicSync& store, const SyncState& start, const FrameClock& clock) {
    if (!store.patterns) return -1;
    const SyncPattern& pattern = store.patterns[0];
    const int32_t cursor4 = start.cursor[0][4];
    // Scene two starts in the frame after the one that moves track 4's
    // cursor to 1; with fewer than two events it never does.
    if (pattern.eventCount[4] < 2) return -1;
    int64_t lastSceneOneFrame = -1;
    if (cursor4 == 0) {
        lastSceneOneFrame =
            firstFramePast(static_cast<uint32_t>(pattern.events[4][0].position), clock);
        if (lastSceneOneFrame < 0) return -1;
    } else if (cursor4 != 1) {
        return -1;
    }
    return lastSceneOneFrame + sceneTwoLength(scrollPicture.height);
}
