#include "demo/SceneOne.h"

#include <cmath>

#include "demo/AssetCheck.h"
#include "demo/Assets.h"
#include "demo/Director.h"
#include "demo/ShowState.h"
#include "gfx/Layers.h"
#include "sync/MusicSync.h"

namespace {

constexpr float pi = 3.1415927f;
constexpr float zoomStep = 0.0030120737f;

// One coordinate of a triangle corner: its phase, the base of its speed, the
// phase offset from one triangle to the next, and its centre. Corners lie on
// a circle of radius 20 around the centre (cosine for x, sine for y).
struct Coordinate {
    float SceneOneState::*phase;
    double base;
    float step;
    double centre;
    bool usesSine;
};

constexpr Coordinate coordinates[6] = {
    {&SceneOneState::phasePx, 908.0, 0.3926991f, 256.0, false},
    {&SceneOneState::phasePy, 907.0, 0.44879895f, 78.0, true},
    {&SceneOneState::phaseQx, 928.0, 0.11219974f, 316.0, false},
    {&SceneOneState::phaseQy, 1011.0, 0.28559935f, 198.0, true},
    {&SceneOneState::phaseRx, 912.0, 0.2617994f, 196.0, false},
    {&SceneOneState::phaseRy, 905.0, 0.62831855f, 198.0, true},
};

// The pictures the two sequences are at this frame, either or both null.
struct SequencePictures {
    Picture* first = nullptr;
    Picture* second = nullptr;
};

// Moves both sequences on in a beat frame; returns the picture each is at.
SequencePictures stepImageSequences(SceneOneState& s, bool beat, int32_t cursor2) {
    Picture* first = nullptr;
    Picture* second = nullptr;
    if (cursor2 >= 1) {
        // While track 2's cursor is at 6..9 the first sequence lets beats pass.
        if (beat && !(cursor2 >= 6 && cursor2 <= 9)) ++s.cluvoIndex;
        if (s.cluvoIndex >= 0 && s.cluvoIndex <= 7) first = &cluvoPictures[s.cluvoIndex];
    }
    if (cursor2 >= 13) {
        if (beat) ++s.giraffeIndex;
        if (s.giraffeIndex >= 0 && s.giraffeIndex <= 12) {
            second = &giraffePictures[s.giraffeIndex];
            // The line fade-out follows the sequence, not the file: it starts
            // even where a picture was left out of the show.
            s.giraffeSeen = 1;
        }
    }
    return {first, second};
}

// The clouds' cross-fade onto black (black where they are not on show), then
// the sequences' pictures added, the first's before the second's. With the
// clouds and both pictures on show, one pass makes every pixel.
void drawBackground(SequencePictures pictures, int32_t cloudsAlpha, Bitmap& canvas) {
    Picture* first = pictures.first && isOnShow(*pictures.first) ? pictures.first : nullptr;
    Picture* second = pictures.second && isOnShow(*pictures.second) ? pictures.second : nullptr;
    const bool clouds = isOnShow(cloudsPicture);
    for (Picture* picture : {clouds ? &cloudsPicture : nullptr, first, second})
        if (picture) {
            picture->x = 0;
            picture->y = 0;
        }
    if (clouds && first && second) {
        clearThenBlendThenAddInTurn(canvas, cloudsPicture, cloudsAlpha, *first, *second);
        return;
    }
    if (clouds)
        clearThenBlend(canvas, cloudsPicture, cloudsAlpha);
    else
        canvas.fill(0);
    if (first && second)
        addInTurn(canvas, *first, *second);
    else if (Picture* only = first ? first : second)
        only->add(canvas);
}

void advanceBeatTimer(SceneOneState& s, bool beat) {
    const double start = beat ? 904.0 : static_cast<double>(s.beatTimer);
    s.beatTimer = static_cast<float>(start - 5.0);
    if (s.beatTimer < 0.0f) s.beatTimer = 0.0f;
}

void advancePhases(SceneOneState& s) {
    for (const Coordinate& c : coordinates) {
        float& phase = s.*c.phase;
        phase = static_cast<float>(static_cast<double>(phase) +
                                   static_cast<double>(pi) /
                                       (c.base - static_cast<double>(s.beatTimer)));
    }
}

void drawTriangles(const SceneOneState& s, Bitmap& canvas) {
    float working[6];
    for (int32_t i = 0; i < 6; ++i) working[i] = s.*coordinates[i].phase;
    const auto brightness = static_cast<int32_t>(s.lineBrightness);
    for (int32_t triangle = 0; triangle < 10; ++triangle) {
        int32_t corner[6];
        for (int32_t i = 0; i < 6; ++i) {
            const Coordinate& c = coordinates[i];
            working[i] =
                static_cast<float>(static_cast<double>(working[i]) + static_cast<double>(c.step));
            const double angle = static_cast<double>(working[i]);
            const double wave = c.usesSine ? std::sin(angle) : std::cos(angle);
            corner[i] = static_cast<int32_t>(20.0 * wave + c.centre);
        }
        drawLine(corner[0], corner[1], corner[2], corner[3], canvas, triangleColour, brightness);
        drawLine(corner[2], corner[3], corner[4], corner[5], canvas, triangleColour, brightness);
        drawLine(corner[4], corner[5], corner[0], corner[1], canvas, triangleColour, brightness);
    }
}

void fadeLines(SceneOneState& s) {
    if (s.giraffeSeen) {
        s.lineBrightness = static_cast<float>(static_cast<double>(s.lineBrightness) - 2.0);
        if (s.lineBrightness < 0.0f) s.lineBrightness = 0.0f;
    } else {
        s.lineBrightness = static_cast<float>(static_cast<double>(s.lineBrightness) + 0.5);
        if (s.lineBrightness > 255.0f) s.lineBrightness = 255.0f;
    }
}

} // namespace

void sceneOne(ShowState& state, const MusicSync& store, uint32_t position, Bitmap* canvas) {
    SceneOneState& s = state.sceneOne;
    updateEnvelopes(store, state.sync, position, 0);
    const int32_t* envelope = state.sync.values;
    const int32_t e0 = envelope[0];
    const bool beat = envelope[2] == beatValue;
    const int32_t e3 = envelope[3];
    const int32_t cursor2 = patternZeroCursor(store, state.sync, 2);
    const int32_t cursor3 = patternZeroCursor(store, state.sync, 3);

    s.zoomPhase =
        static_cast<float>(static_cast<double>(s.zoomPhase) + static_cast<double>(zoomStep));

    const SequencePictures pictures = stepImageSequences(s, beat, cursor2);
    if (canvas) {
        // Every layer after the clouds adds per byte with saturation, which
        // gives min(255, sum) in any order: the pictures go in with the
        // clouds, before the zoom, in the same pass.
        drawBackground(pictures, e3, *canvas);
        const auto zoom = static_cast<float>(std::cos(static_cast<double>(s.zoomPhase)) + 2.0);
        if (isOnShow(texturePicture)) rotozoom(*canvas, texturePicture, 0.0f, zoom, 0.0f, 0.0f, e0);
    }
    advanceBeatTimer(s, beat);
    advancePhases(s);

    if (cursor3 >= 8) s.linesOn = 1;
    if (!s.linesOn) return;
    // The triangles take this frame's phases and the brightness from before
    // this frame's fade step.
    if (canvas) drawTriangles(s, *canvas);
    fadeLines(s);
}
