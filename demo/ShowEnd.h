#pragma once
#include <cstdint>

#include "sync/FrameClock.h"
#include "sync/MusicSync.h"

// The first step (from 0) whose reading of `clock` passes `position`, so an
// event there fires in it; -1 when the reading wraps before that, at the end
// of the soundtrack's pass or of the 32-bit range. A step is one frame of the
// clock: a capture's clock runs at 60 steps per second of show time whatever
// the capture's own frame rate.
int64_t firstFramePast(uint32_t position, const FrameClock& clock);

// The step (from 0) in which the loaded show will post its quit when driven
// by `clock` from step 0: from the step that fires track 4's first event
// and the height of the scroller. -1 when the show does not end by itself
// (track 4 with fewer than two events) or when the switch to scene two lies
// beyond the soundtrack's first pass. `start` is the sync state before the
// first step (see freshShow). A capture turns it into the frame that shows
// that step (FrameSteps::firstFrameShowing).
int64_t forecastQuitFrame(const MusicSync& store, const SyncState& start, const FrameClock& clock);
