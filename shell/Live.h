#pragma once

// The live program: a window on the desktop (fullscreen unless
// startWindowed), the show, Escape to quit, F12 to switch. Returns the exit
// status: 0 for every orderly ending, non-zero when nothing could be shown.
int runLive(bool startWindowed);

// The polling main loop: one event per turn, a frame on every turn that finds
// no event while the window is active. Ends on the show's own quit event and
// returns its exit code.
int runMainLoop();
