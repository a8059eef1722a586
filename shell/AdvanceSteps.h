#pragma once
#include <cstdint>

class DisplayDevice;

// Takes `steps` steps of the show and shows the newest one: every step runs
// the show's update (events fire, envelopes decay, scenes move), only the last
// is drawn into the back buffer and presented. Zero steps present the last
// frame again. A step that posts the show's own quit ends the batch there.
//
// This is all the live loop asks of the frame path: one step drawn and
// presented (renderFrame), and one step taken without being shown.
void advanceSteps(DisplayDevice& display, int32_t steps);
