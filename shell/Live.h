#pragma once

#include "display/Present.h"

// The live program: a window on the desktop (fullscreen unless
// startWindowed), the show, Escape to quit, F12 to switch. Returns the exit
// status: 0 for every orderly ending, non-zero when nothing could be shown.
int runLive(bool startWindowed);

// Makes the show's own quit (postQuitMessage) arrive as an event of the main
// loop. Needs SDL's event system (SDL_Init).
void installQuitEvent();

// The polling main loop: one event per turn, a frame drawn by `draw` on every
// turn that finds no event while the window is active. Ends on the show's own
// quit event and returns its exit code.
int runMainLoop(const FrameDrawer& draw);
