#pragma once
#include <cstdint>

#include "demo/ShowState.h"

// The cursor of `track` in sync pattern 0: the index of its next event still
// to fire, or -1 once none is left (also -1 while there is no pattern store).
int32_t patternZeroCursor(const MusicSync& store, const SyncState& sync, int32_t track);

// One step of the show (see stepShow): scene one until the frame after track
// 4's first event, scene two from then on.
StepEffects sceneDirector(ShowState& state, const MusicSync& store, uint32_t position,
                          Bitmap* canvas);
