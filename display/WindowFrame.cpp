#include "display/WindowFrame.h"

#include <SDL2/SDL.h>

#include <algorithm>

namespace {

struct Borders {
    int top = 0, left = 0, bottom = 0, right = 0;
    bool operator==(const Borders&) const = default;
};

bool following = false;
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
    const ClientSize client =
        clientSizeFor(wantedWidth, wantedHeight, b.top, b.left, b.bottom, b.right);
    SDL_SetWindowSize(window, client.width, client.height);
    SDL_SetWindowPosition(window, wantedX + b.left, wantedY + b.top);
}

} // namespace

ClientSize clientSizeFor(int32_t outerWidth, int32_t outerHeight, int32_t top, int32_t left,
                         int32_t bottom, int32_t right) {
    return {std::max(1, outerWidth - left - right), std::max(1, outerHeight - top - bottom)};
}

void placeWindowFrame(SDL_Window* window, int32_t x, int32_t y, int32_t outerWidth,
                      int32_t outerHeight) {
    if (!window) return;
    wantedX = x;
    wantedY = y;
    wantedWidth = outerWidth;
    wantedHeight = outerHeight;
    following = true;
    applyPlacement(window, bordersOf(window));
}

void followWindowFrame(SDL_Window* window) {
    if (!following || !window) return;
    if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) return;
    const Borders now = bordersOf(window);
    if (!(now == bordersUsed)) applyPlacement(window, now);
}

void forgetWindowFrame() {
    following = false;
}
