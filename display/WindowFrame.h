#pragma once
#include <cstdint>

struct SDL_Window;

// Places a window by its outer frame, as a desktop user sees it: the frame's
// top-left corner at (x, y) and the frame, decorations included, outerWidth ×
// outerHeight; the client area is what is left inside the decorations. Under a
// window manager that draws its frame outside the client (openbox, most X11
// managers) the client is therefore smaller by the border and title bar; with
// no manager the client takes the whole size.
//
// The manager reports its decorations only after it has framed the window, so
// followWindowFrame, called on every window event, places the window again
// once the reported decorations differ from the ones last used.
void placeWindowFrame(SDL_Window* window, int32_t x, int32_t y, int32_t outerWidth,
                      int32_t outerHeight);
void followWindowFrame(SDL_Window* window);
// Stops following (the window went fullscreen).
void forgetWindowFrame();

// The client size for an outer size once decorations are taken off (at least
// one pixel each way).
struct ClientSize {
    int32_t width;
    int32_t height;
};
ClientSize clientSizeFor(int32_t outerWidth, int32_t outerHeight, int32_t top, int32_t left,
                         int32_t bottom, int32_t right);
