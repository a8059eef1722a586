#include "shell/WindowProc.h"

#include <SDL2/SDL.h>

#include "display/DisplayDevice.h"
#include "display/WindowFrame.h"
#include "shell/Input.h"
#include "shell/Shell.h"
#include "shell/WindowX11.h"

namespace {

bool windowMinimised(uint32_t windowId) {
    SDL_Window* window = SDL_GetWindowFromID(windowId);
    return window && (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED) != 0;
}

// A close request is handled on a later turn, like one from the window's
// own close button.
void requestClose() {
    SDL_Event close{};
    close.type = SDL_QUIT;
    SDL_PushEvent(&close);
}

void onWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_HIDDEN:
        active = false;
        break;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        active = true;
        break;
    // Losing the focus does not stop rendering; only minimising does.
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
        active = !windowMinimised(event.windowID);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        destroyMainWindow();
        return;
    default:
        break;
    }
    followWindowFrame(mainWindow);
}

void onKeyDown(const SDL_KeyboardEvent& event) {
    const SDL_Keycode key = event.keysym.sym;
    if (key == SDLK_ESCAPE) {
        requestClose();
        return;
    }
    if (key == SDLK_F12 && display) display->toggleFullscreen();
    keyPressed(key);
}

} // namespace

void handleWindowEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        destroyMainWindow();
        break;
    case SDL_WINDOWEVENT:
        onWindowEvent(event.window);
        break;
    case SDL_KEYDOWN:
        onKeyDown(event.key);
        break;
    case SDL_KEYUP:
        keyReleased(event.key.keysym.sym);
        break;
    case SDL_MOUSEMOTION:
        mouseMoved(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const auto& button = event.button;
        if (button.button != SDL_BUTTON_LEFT && button.button != SDL_BUTTON_RIGHT) break;
        // The button event carries the cursor position too.
        mouseMoved(button.x, button.y);
        const MouseButton which =
            button.button == SDL_BUTTON_LEFT ? MouseButton::left : MouseButton::right;
        if (event.type == SDL_MOUSEBUTTONDOWN)
            mouseButtonDown(which);
        else
            mouseButtonUp(which);
        break;
    }
    case SDL_SYSWMEVENT:
        noteSystemEvent(event);
        if (windowDestroyedOutside()) destroyMainWindow();
        break;
    case SDL_RENDER_DEVICE_RESET:
        if (display) display->textureLost();
        break;
    default:
        break;
    }
}
