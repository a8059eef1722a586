#include "display/PixelMode.h"

#include <SDL2/SDL.h>

int32_t bytesPerPixelOf(PixelMode mode) {
    switch (mode) {
    case 15:
    case 16:
        return 2;
    case 24:
        return 3;
    case 32:
        return 4;
    default:
        return mode > 8 ? (mode + 7) / 8 : 1;
    }
}

uint32_t textureFormatFor(PixelMode mode) {
    switch (mode) {
    case 15:
        return SDL_PIXELFORMAT_XRGB1555;
    case 16:
        return SDL_PIXELFORMAT_RGB565;
    case 24:
        return SDL_PIXELFORMAT_BGR24;
    case 32:
        return SDL_PIXELFORMAT_XRGB8888;
    default:
        break;
    }
    switch (bytesPerPixelOf(mode)) {
    case 1:
        return SDL_PIXELFORMAT_RGB332;
    case 2:
        return SDL_PIXELFORMAT_RGB565;
    case 3:
        return SDL_PIXELFORMAT_BGR24;
    default:
        return SDL_PIXELFORMAT_XRGB8888;
    }
}

int32_t desktopBppOf(uint32_t sdlFormat) {
    const int32_t bytes = SDL_BYTESPERPIXEL(sdlFormat);
    if (bytes == 4) return 32;
    if (bytes == 2) return 16;
    return static_cast<int32_t>(SDL_BITSPERPIXEL(sdlFormat));
}

PixelMode pixelModeFromGreenMask(uint32_t greenMask) {
    switch (greenMask >> 5) {
    case 31:
        return 15;
    case 63:
        return 16;
    default:
        return 0;
    }
}
