#pragma once
#include <cstdint>

struct SceneTwoState {
    bool started = false;   // the scroller's start position has been set
    float scrollY = 0.0f;   // canvas row of the scroller's centre
    int32_t fadeOn = 0;     // latched once scrollY has fallen below -900
    float fadeLevel = 0.0f; // closing cross-fade, 0..255
    bool quitSent = false;  // the quit has been posted (it is posted once)
};

extern SceneTwoState sceneTwoState;

// Draws one frame of the second half: the scroller, the row blur while track 4
// is past its 32nd event, the clouds, and the closing fade that lowers the
// volume and posts the quit.
void sceneTwo();
