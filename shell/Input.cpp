#include "shell/Input.h"

KeyState keyState;
MouseState mouseState;

namespace {

// Slot order is part of the interface: scenes index keyState by it.
constexpr SDL_Keycode slotKeys[KeyState::slotCount] = {
    SDLK_UP,       SDLK_DOWN,   SDLK_RIGHT,  SDLK_LEFT, SDLK_PAGEUP, SDLK_PAGEDOWN, SDLK_KP_PLUS,
    SDLK_KP_MINUS, SDLK_INSERT, SDLK_DELETE, SDLK_p,    SDLK_h,      SDLK_v,        SDLK_s,
    SDLK_c,        SDLK_r,      SDLK_m,      SDLK_b,    SDLK_f,      SDLK_l,        SDLK_o,
    SDLK_z,        SDLK_d,      SDLK_HOME,   SDLK_END,  SDLK_t,      SDLK_1,        SDLK_2,
    SDLK_3,        SDLK_4,      SDLK_5,      SDLK_6,    SDLK_7,      SDLK_8,        SDLK_9,
    SDLK_0,        SDLK_F1,     SDLK_F2,     SDLK_F3,   SDLK_F4,     SDLK_F5,       SDLK_F6,
    SDLK_F7,       SDLK_F8,     SDLK_a,      SDLK_i,    SDLK_n,      SDLK_k,        SDLK_w,
};

} // namespace

int32_t keySlotOf(SDL_Keycode key) {
    for (int32_t slot = 0; slot < KeyState::slotCount; ++slot)
        if (slotKeys[slot] == key) return slot;
    return -1;
}

void keyPressed(SDL_Keycode key) {
    const int32_t slot = keySlotOf(key);
    if (slot >= 0) keyState.flags[slot] = 1;
}

void keyReleased(SDL_Keycode key) {
    const int32_t slot = keySlotOf(key);
    if (slot >= 0) keyState.flags[slot] = 0;
}

void mouseMoved(int32_t x, int32_t y) {
    mouseState.x = x;
    mouseState.y = y;
}

void mouseButtonDown(MouseButton button) {
    MouseState& m = mouseState;
    if (button == MouseButton::left) {
        if (m.leftDown) return;
        m.leftPressX = m.x;
        m.leftPressY = m.y;
        m.leftDown = 1;
    } else {
        if (m.rightDown) return;
        m.rightPressX = m.x;
        m.rightPressY = m.y;
        m.rightDown = 1;
    }
}

void mouseButtonUp(MouseButton button) {
    MouseState& m = mouseState;
    if (button == MouseButton::left) {
        m.leftDown = 0;
        m.leftReleaseX = m.x;
        m.leftReleaseY = m.y;
    } else {
        m.rightDown = 0;
        m.rightReleaseX = m.x;
        m.rightReleaseY = m.y;
    }
}
