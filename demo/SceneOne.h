#pragma once
#include <cstdint>

#include "gfx/Bitmap.h"

struct ShowState;
class MusicSync;

// State of the first scene. Floats are 32-bit on purpose: every step is
// computed in double and stored back as float, and the timeline depends on
// exactly that rounding.
struct SceneOneState {
    float zoomPhase = 0.0f;
    int32_t cluvoIndex = -1;   // element of cluvoPictures on show, -1 before the first
    int32_t giraffeIndex = -1; // element of giraffePictures on show, -1 before the first
    int32_t giraffeSeen = 0;   // latched once a giraffe picture has been drawn
    float beatTimer = 0.0f;    // 899 in a beat frame, falling by 5 per frame to 0
    float phasePx = 0.0f, phasePy = 0.0f;
    float phaseQx = 0.0f, phaseQy = 0.0f;
    float phaseRx = 0.0f, phaseRy = 0.0f;
    int32_t linesOn = 0; // latched once track 3 has reached its 8th event
    float lineBrightness = 0.0f;

    friend bool operator==(const SceneOneState&, const SceneOneState&) = default;
};

// The value of track 2's envelope that marks a beat frame, and the line colour.
constexpr int32_t beatValue = 251;
constexpr uint32_t triangleColour = 0x001414C8;

// One step of the first half at the music position `position`: clouds,
// zooming texture, the two image sequences and the spinning line triangles,
// drawn into `canvas` unless it is null.
void sceneOne(ShowState& state, const MusicSync& store, uint32_t position, Bitmap* canvas);
