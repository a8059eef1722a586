#pragma once
#include <cstdint>

#include "demo/ShowState.h"
#include "sync/FrameClock.h"
#include "sync/MusicSync.h"

// Seeking in the show: the state a run reaches is known only by running it, so
// a seek replays every step from the start with `clock`'s positions for its
// frames, without drawing. Cheap enough for the whole show (no pixels are
// touched); the same replay serves --start, the studio's seeks and the tests.

// The state before step `step` (from 0): steps 0 .. step - 1 taken at the
// positions `clock` gives their frames. Drawing step `step` next, at the
// position of frame `step`, gives exactly the frame an uninterrupted run of
// `clock` draws there. Steps after the show has posted its quit are taken as
// any other.
ShowState replayTo(const MusicSync& store, int64_t step, FrameClock clock);

// The step (from 0) in which the show posts its quit when run from the start
// with `clock`, looked for in the first `limit` steps; -1 when it does not
// end within them.
int64_t findEndStep(const MusicSync& store, FrameClock clock, int64_t limit);

// The last step a seek may land on: the step that posts the quit, or the last
// of `limit` steps when the show does not end by itself within them.
int64_t lastSeekableStep(const MusicSync& store, const FrameClock& clock, int64_t limit);
