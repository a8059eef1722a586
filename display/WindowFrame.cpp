#include "display/WindowFrame.h"

#include <SDL2/SDL.h>

namespace {

struct Borders {
    int top = 0, left = 0, bottom = 0, right = 0;
    bool operator==(const Borders&) const = default;
};

bool following = false;
// Corrections made since the last placement: a manager that insists on its
// own size or place is given way after a few, rather than fought forever.
int32_t corrections = 0;
constexpr int32_t maxCorrections = 8;
int32_t wantedX = 0, wantedY = 0, wantedWidth = 0, wantedHeight = 0;
Borders bordersUsed;

Borders bordersOf(SDL_Window* window) {
    Borders b;
    // Drivers without decorations (dummy, Wayland without a decoration
    // manager) fail here: the client then is the whole window.
    if (SDL_GetWindowBordersSize(window, &b.top, &b.left, &b.bottom, &b.right) != 0) return {};
    return b;
}

void applyPlacement(SDL_Window* window, const Borders& b) {
    bordersUsed = b;
    SDL_SetWindowSize(window, wantedWidth, wantedHeight);
    SDL_SetWindowPosition(window, wantedX + b.left, wantedY + b.top);
}

} // namespace

void placeWindowFrame(SDL_Window* window, int32_t x, int32_t y, int32_t clientWidth,
                      int32_t clientHeight) {
    if (!window) return;
    wantedX = x;
    wantedY = y;
    wantedWidth = clientWidth;
    wantedHeight = clientHeight;
    following = true;
    corrections = 0;
    applyPlacement(window, bordersOf(window));
}

void followWindowFrame(SDL_Window* window) {
    if (!following || !window) return;
    if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) return;
    const Borders now = bordersOf(window);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    const bool moved = !(now == bordersUsed) || w != wantedWidth || h != wantedHeight;
    if (moved && corrections < maxCorrections) {
        ++corrections;
        applyPlacement(window, now);
    }
}

void forgetWindowFrame() {
    following = false;
}
