#pragma once
#include <cstdint>

struct SDL_Window;

// Places a window by its outer frame, as a desktop user sees it: the frame's
// top-left corner at (x, y), around a client area of exactly clientWidth ×
// clientHeight (so a picture of that size is shown pixel for pixel). Under a
// window manager that draws its frame outside the client (openbox, most X11
// managers) the client therefore sits a border and a title bar further in;
// with no manager the client's corner is (x, y).
//
// The manager reports its decorations only after it has framed the window, so
// followWindowFrame, called on every window event, places the window again
// once the reported decorations differ from the ones last used.
void placeWindowFrame(SDL_Window* window, int32_t x, int32_t y, int32_t clientWidth,
                      int32_t clientHeight);
void followWindowFrame(SDL_Window* window);
// Stops following (the window went fullscreen).
void forgetWindowFrame();
