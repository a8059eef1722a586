#pragma once
#include <cstdint>

#include <SDL2/SDL_keycode.h>

// One flag per known key: 1 from the key's key-down to its key-up, 0
// otherwise. Scenes may read it; the show itself takes no input but Escape
// and F12, neither of which has a slot.
struct KeyState {
    static constexpr int32_t slotCount = 49;
    int32_t flags[slotCount] = {};
};
extern KeyState keyState;

// The slot of a key, or -1 for a key without one.
int32_t keySlotOf(SDL_Keycode key);
void keyPressed(SDL_Keycode key);
void keyReleased(SDL_Keycode key);

// The mouse as the window last saw it. Positions are window-relative.
struct MouseState {
    int32_t leftDown = 0;
    int32_t rightDown = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t leftPressX = 0;
    int32_t leftPressY = 0;
    int32_t rightPressX = 0;
    int32_t rightPressY = 0;
    int32_t leftReleaseX = 0;
    int32_t leftReleaseY = 0;
    int32_t rightReleaseX = 0;
    int32_t rightReleaseY = 0;
};
extern MouseState mouseState;

enum class MouseButton { left, right };
void mouseMoved(int32_t x, int32_t y);
// A press while the button is already down (its release happened outside the
// window) keeps the first press's position.
void mouseButtonDown(MouseButton button);
void mouseButtonUp(MouseButton button);
