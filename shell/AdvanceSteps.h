#pragma once
#include <cstdint>
#include <functional>

#include "display/Present.h"

class DisplayDevice;

// What the live loop asks of whatever it shows: a step taken without being
// shown, and a step drawn into the canvas it is given.
struct LiveSteps {
    std::function<void()> stepUnshown;
    FrameDrawer draw;
};

// Takes `steps` steps of the show and shows the newest one: every step runs
// the show's update (events fire, envelopes decay, scenes move), only the last
// is drawn into the back buffer and presented. Zero steps present the last
// frame again. A step that posts the show's own quit ends the batch there.
void advanceSteps(DisplayDevice& display, const LiveSteps& show, int32_t steps);
