#pragma once
#include <SDL2/SDL_events.h>

struct SDL_Window;

// An X11 window can be destroyed from outside the program (a task manager,
// `xdotool windowclose`). SDL does not report that; it only goes on using the
// window, and Xlib's default answer to the resulting errors is to print them
// and end the process with status 1. For the main window these errors are
// taken instead as the window having gone, which ends the run like a close.
// Errors about anything else keep Xlib's default handling. Under other video
// drivers this does nothing.
void watchWindowDestruction(SDL_Window* window);
// The window was destroyed from outside (seen as a DestroyNotify or as an
// error about it).
bool windowDestroyedOutside();
// Looks at a system event for the window's destruction (SDL_SYSWMEVENT).
void noteSystemEvent(const SDL_Event& event);
// Before SDL lets go of the display: takes the errors still on their way
// (a window already gone gives some when it is destroyed) and stops watching.
void settleWindowErrors();
