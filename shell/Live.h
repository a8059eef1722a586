#pragma once

#include <SDL2/SDL_events.h>

#include "shell/AdvanceSteps.h"

#include <cstdint>

// The live program: a window on the desktop (fullscreen unless
// startWindowed), the show from step `startStep`, Escape to quit, F12 to
// switch. Returns the exit status: 0 for every orderly ending, 2 when
// startStep lies past the show's end, 1 when nothing could be shown.
int runLive(bool startWindowed, int64_t startStep = 0);

// SDL's video, the window and the display device, as the live program opens
// them; false, with one line on stderr, when there is no display.
bool openLiveWindow(bool startWindowed);

// Makes the show's own quit (postQuitMessage) arrive as an event of the main
// loop. Needs SDL's event system (SDL_Init).
void installQuitEvent();

// Whether `event` is the show's own quit (see installQuitEvent).
bool isQuitEvent(const SDL_Event& event);

// While the window is inactive the main loops sleep in the event queue,
// waking this often (ms) at most.
constexpr int inactiveWaitMs = 250;

// The polling main loop: one event per turn; on every turn that finds no
// event while the window is active, the steps of show time due (see
// StepPacer), every one taken and the newest drawn by `show`, and one
// present (see SteppedPlay). While the window is inactive the show pauses and
// the loop waits for events. Ends on the show's own quit event and returns its
// exit code, after the frame statistics when DEMO_FRAME_STATS=1 asks for them.
int runMainLoop(const LiveSteps& show);
