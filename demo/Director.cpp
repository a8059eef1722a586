#include "demo/Director.h"

int32_t patternZeroCursor(const MusicSync& store, const SyncState& sync, int32_t track) {
    if (!store.patterns) return -1;
    return sync.cursor[0][track];
}

// The cursor is read before this frame's update, so it still holds what the
// previous frame left: scene two starts in the frame after track 4's first
// event has fired, and nothing ever switches back.
StepEffects sceneDirector(ShowState& state, const MusicSync& store, uint32_t position,
                          Bitmap* canvas) {
    if (patternZeroCursor(store, state.sync, 4) == 1) {
        state.sceneNumber = 2;
        return sceneTwo(state, store, position, canvas);
    }
    if (state.sceneNumber == 1) {
        sceneOne(state, store, position, canvas);
        return {};
    }
    return sceneTwo(state, store, position, canvas);
}
