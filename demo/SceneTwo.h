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

// How many frames scene two draws when it starts with the scroller at this
// height: its first frame counts as 1, the frame that posts the quit is the
// last. The same arithmetic as sceneTwo, so a capture can tell in advance
// where the show will end.
int32_t sceneTwoLength(int32_t scrollHeight);
