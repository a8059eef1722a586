#pragma once

#include "shell/AdvanceSteps.h"

// The live program: a window on the desktop (fullscreen unless
// startWindowed), the show, Escape to quit, F12 to switch. Returns the exit
// status: 0 for every orderly ending, non-zero when nothing could be shown.
int runLive(bool startWindowed);

// Makes the show's own quit (postQuitMessage) arrive as an event of the main
// loop. Needs SDL's event system (SDL_Init).
void installQuitEvent();

// The polling main loop: one event per turn; on every turn that finds no
// event while the window is active, the steps of show time due (see
// StepPacer), every one taken and the newest drawn by `show`, and one
// present. While the window is inactive the show pauses and the loop waits for
// events. Ends on the show's own quit event and returns its exit code.
int runMainLoop(const LiveSteps& show);
