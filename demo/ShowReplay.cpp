#include "demo/ShowReplay.h"

ShowState replayTo(const MusicSync& store, int64_t step, FrameClock clock) {
    ShowState state = freshShow(store);
    for (int64_t s = 0; s < step; ++s) {
        clock.setFrame(s);
        stepShow(state, store, clock.position(), nullptr);
    }
    return state;
}

int64_t findEndStep(const MusicSync& store, FrameClock clock, int64_t limit) {
    ShowState state = freshShow(store);
    for (int64_t s = 0; s < limit; ++s) {
        clock.setFrame(s);
        if (stepShow(state, store, clock.position(), nullptr).postsQuit) return s;
    }
    return -1;
}

int64_t lastSeekableStep(const MusicSync& store, const FrameClock& clock, int64_t limit) {
    const int64_t end = findEndStep(store, clock, limit);
    return end >= 0 ? end : limit - 1;
}
