#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <set>

#include "shell/Input.h"
#include "shell/WindowProc.h"

namespace {

SDL_Event keyEvent(uint32_t type, SDL_Keycode key, bool repeat = false) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = key;
    e.key.repeat = repeat ? 1 : 0;
    return e;
}

SDL_Event buttonEvent(uint32_t type, uint8_t button, int32_t x, int32_t y) {
    SDL_Event e{};
    e.type = type;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    return e;
}

SDL_Event motionEvent(int32_t x, int32_t y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    return e;
}

} // namespace

TEST(ShellKeyState, SlotsFollowTheFixedTable) {
    EXPECT_EQ(keySlotOf(SDLK_UP), 0);
    EXPECT_EQ(keySlotOf(SDLK_LEFT), 3);
    EXPECT_EQ(keySlotOf(SDLK_KP_PLUS), 6);
    EXPECT_EQ(keySlotOf(SDLK_DELETE), 9);
    EXPECT_EQ(keySlotOf(SDLK_p), 10);
    EXPECT_EQ(keySlotOf(SDLK_z), 21);
    EXPECT_EQ(keySlotOf(SDLK_HOME), 23);
    EXPECT_EQ(keySlotOf(SDLK_1), 26);
    EXPECT_EQ(keySlotOf(SDLK_0), 35);
    EXPECT_EQ(keySlotOf(SDLK_F1), 36);
    EXPECT_EQ(keySlotOf(SDLK_F8), 43);
    EXPECT_EQ(keySlotOf(SDLK_a), 44);
    EXPECT_EQ(keySlotOf(SDLK_w), 48);
    for (const SDL_Keycode none : {SDLK_F9, SDLK_F12, SDLK_ESCAPE, SDLK_e, SDLK_KP_1, SDLK_PLUS})
        EXPECT_EQ(keySlotOf(none), -1) << SDL_GetKeyName(none);

    // 49 distinct keys, one per slot.
    std::set<int32_t> slots;
    for (SDL_Keycode k = 0; k < 128; ++k)
        if (keySlotOf(k) >= 0) slots.insert(keySlotOf(k));
    for (const SDL_Keycode k :
         {SDLK_UP, SDLK_DOWN, SDLK_RIGHT, SDLK_LEFT, SDLK_PAGEUP, SDLK_PAGEDOWN, SDLK_KP_PLUS,
          SDLK_KP_MINUS, SDLK_INSERT, SDLK_HOME, SDLK_END, SDLK_F1, SDLK_F2, SDLK_F3, SDLK_F4,
          SDLK_F5, SDLK_F6, SDLK_F7, SDLK_F8})
        slots.insert(keySlotOf(k));
    EXPECT_EQ(slots.size(), 49u);
    EXPECT_EQ(*slots.begin(), 0);
    EXPECT_EQ(*slots.rbegin(), 48);
}

TEST(ShellKeyState, KeyEventsSetAndClearTheirSlot) {
    keyState = KeyState{};
    handleWindowEvent(keyEvent(SDL_KEYDOWN, SDLK_m));
    EXPECT_EQ(keyState.flags[16], 1);
    handleWindowEvent(keyEvent(SDL_KEYDOWN, SDLK_m, true)); // auto-repeat
    EXPECT_EQ(keyState.flags[16], 1);
    handleWindowEvent(keyEvent(SDL_KEYUP, SDLK_m));
    EXPECT_EQ(keyState.flags[16], 0);
    handleWindowEvent(keyEvent(SDL_KEYDOWN, SDLK_F10));
    for (const int32_t flag : keyState.flags) EXPECT_EQ(flag, 0);
}

TEST(ShellMouseState, PressesAndReleasesRecordWhereTheyHappened) {
    mouseState = MouseState{};
    handleWindowEvent(motionEvent(10, 20));
    EXPECT_EQ(mouseState.x, 10);
    EXPECT_EQ(mouseState.y, 20);

    handleWindowEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 30, 40));
    EXPECT_EQ(mouseState.leftDown, 1);
    EXPECT_EQ(mouseState.leftPressX, 30);
    EXPECT_EQ(mouseState.leftPressY, 40);
    // A second press without a release in between keeps the first position.
    handleWindowEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 50, 60));
    EXPECT_EQ(mouseState.leftPressX, 30);
    EXPECT_EQ(mouseState.leftPressY, 40);
    handleWindowEvent(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 70, 80));
    EXPECT_EQ(mouseState.leftDown, 0);
    EXPECT_EQ(mouseState.leftReleaseX, 70);
    EXPECT_EQ(mouseState.leftReleaseY, 80);

    // The right button keeps its own record; the middle one none.
    handleWindowEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 5, 6));
    handleWindowEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 7, 8));
    handleWindowEvent(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 9, 10));
    EXPECT_EQ(mouseState.rightDown, 0);
    EXPECT_EQ(mouseState.rightPressX, 5);
    EXPECT_EQ(mouseState.rightPressY, 6);
    EXPECT_EQ(mouseState.rightReleaseX, 9);
    EXPECT_EQ(mouseState.rightReleaseY, 10);
    EXPECT_EQ(mouseState.leftPressX, 30);
    EXPECT_EQ(mouseState.leftReleaseX, 70);
}
