#pragma once
#include <cstdint>

// Stands in for PostQuitMessage: the show posts its own end, the main loop (or
// the capture loop) sees it at its next turn.
void postQuitMessage(int32_t exitCode);
bool quitPosted();
int32_t quitExitCode();
int32_t quitPostCount();
void resetQuit(); // for tests and for a second run in one process
// Called on every post (the live program pushes an SDL event from here).
void setQuitListener(void (*listener)(int32_t exitCode));
