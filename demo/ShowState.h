#pragma once
#include <cstdint>

#include "demo/SceneOne.h"
#include "demo/SceneTwo.h"
#include "gfx/Bitmap.h"
#include "platform/MusicClock.h"
#include "sync/MusicSync.h"

// Everything the show changes from one step to the next, as one value: made
// afresh for every run (freshShow), copied for a snapshot, assigned back to
// restore it. The pictures, the pattern store and the canvas stay outside:
// they are loaded or made once and only read by a step.
struct ShowState {
    SyncState sync;
    int32_t sceneNumber = 1; // 1 while scene one draws, 2 once scene two has taken over
    SceneOneState sceneOne;
    SceneTwoState sceneTwo;
    int32_t volume = 100;    // the soundtrack's volume as the show last set it, 0..100
    bool quitPosted = false; // the show has asked to end (it asks once)

    friend bool operator==(const ShowState&, const ShowState&) = default;
};

// What a step asks of whoever runs the show: to set the soundtrack's volume
// to state.volume (every frame of the closing fade), and to end (once).
struct StepEffects {
    bool setsVolume = false;
    bool postsQuit = false;
};

// The state before the first step of a show read from `store`: every
// pattern 0 cursor at its track's first event.
ShowState freshShow(const MusicSync& store);

// One step of the show at the music position `position`: the sync, then the
// scene the director picks. With a canvas it also draws the frame; without,
// the state changes exactly as with one, since no state depends on pixels.
// Live play passes the soundtrack's play position, a capture or a replay the
// frame clock's position for the step.
StepEffects stepShow(ShowState& state, const MusicSync& store, uint32_t position, Bitmap* canvas);

// One step as live play and a capture both take it: the step at the clock's
// position, drawn into `canvas` (none: not drawn), with the volume it sets
// handed to the clock. The caller acts on the quit.
StepEffects playShowFrame(ShowState& state, const MusicSync& store, MusicClock& clock,
                          Bitmap* canvas);
