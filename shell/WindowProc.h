#pragma once
#include <SDL2/SDL_events.h>

// The window's event handler: keeps `active`, closes on Escape or a close
// request, switches the display on F12 (every auto-repeat too), keeps the key
// and mouse state, and follows the window manager's frame after F12.
void handleWindowEvent(const SDL_Event& event);
