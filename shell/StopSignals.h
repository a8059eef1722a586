#pragma once

// SIGINT, SIGTERM and SIGHUP in the live program. Whatever the program is
// doing, one signal ends it with status 128 + the signal's number:
// - during start-up (a picture or the soundtrack may be stuck in a read) the
//   process ends at once: there is nothing to save in live play;
// - once the main loop runs, the signal is only noted, and the loop ends the
//   run in order at its next turn (window, display and SDL closed).
// SDL's own handlers (which would turn the signal into an ordinary close with
// status 0) are kept out: call before SDL_Init.
void catchStopSignals();
// From now on a signal is left to the main loop.
void stopSignalsReachTheLoop();
// The signal that asked the run to end, or 0.
int stopSignal();
