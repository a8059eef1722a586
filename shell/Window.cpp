#include <SDL2/SDL.h>

#include "display/DisplayDevice.h"
#include "display/WindowFrame.h"
#include "platform/Quit.h"
#include "shell/Shell.h"

SDL_Window* createMainWindow(const char* caption, int32_t width, int32_t height, bool fullscreen) {
    const uint32_t flags = SDL_WINDOW_SHOWN | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    SDL_Window* window = fullscreen ? SDL_CreateWindow(caption, 0, 0, width, height, flags)
                                    : SDL_CreateWindow(caption, 100, 100, width, height, flags);
    if (window && !fullscreen) placeWindowFrame(window, 100, 100, width, height);
    return window;
}

void destroyMainWindow() {
    if (!mainWindow) return;
    if (display) {
        display->release();
        display->window = nullptr;
    }
    SDL_DestroyWindow(mainWindow);
    mainWindow = nullptr;
    postQuitMessage(0);
}
