#pragma once
#include <cstdint>

#include "gfx/Bitmap.h"

struct ShowState;
struct StepEffects;
class MusicSync;

struct SceneTwoState {
    bool started = false;   // the scroller's start position has been set
    float scrollY = 0.0f;   // canvas row of the scroller's centre
    int32_t fadeOn = 0;     // latched once scrollY has fallen below -900
    float fadeLevel = 0.0f; // closing cross-fade, 0..255

    friend bool operator==(const SceneTwoState&, const SceneTwoState&) = default;
};

// One step of the second half at the music position `position`: the
// scroller, the row blur while track 4 is past its 32nd event, the clouds,
// and the closing fade that lowers the volume and asks for the quit; drawn
// into `canvas` unless it is null.
StepEffects sceneTwo(ShowState& state, const MusicSync& store, uint32_t position, Bitmap* canvas);

// How many frames scene two draws when it starts with the scroller at this
// height: its first frame counts as 1, the frame that posts the quit is the
// last. The same arithmetic as sceneTwo, so a capture can tell in advance
// where the show will end.
int32_t sceneTwoLength(int32_t scrollHeight);
