#include "shell/Shell.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "demo/Assets.h"
#include "display/PixelMode.h"
#include "shell/Music.h"

SDL_Window* mainWindow = nullptr;
DisplayDevice* display = nullptr;
int32_t desktopBpp = 0;
bool active = false;
uint32_t* canvasOwnPixels = nullptr;

namespace {

uint32_t forcedDesktopFormat() {
    const char* value = std::getenv("DEMO_WINDOWED_BPP");
    if (!value || !*value) return SDL_PIXELFORMAT_UNKNOWN;
    if (std::strcmp(value, "15") == 0) return SDL_PIXELFORMAT_XRGB1555;
    if (std::strcmp(value, "16") == 0) return SDL_PIXELFORMAT_RGB565;
    if (std::strcmp(value, "24") == 0) return SDL_PIXELFORMAT_BGR24;
    if (std::strcmp(value, "32") == 0) return SDL_PIXELFORMAT_XRGB8888;
    if (std::strcmp(value, "8") == 0) return SDL_PIXELFORMAT_RGB332;
    return SDL_PIXELFORMAT_UNKNOWN;
}

} // namespace

uint32_t queryDesktopFormat() {
    if (const uint32_t forced = forcedDesktopFormat()) return forced;
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.format == SDL_PIXELFORMAT_UNKNOWN)
        return SDL_PIXELFORMAT_XRGB8888;
    return mode.format;
}

int32_t queryDesktopBpp() {
    return desktopBppOf(queryDesktopFormat());
}

void createCanvas() {
    // The block is never released, so it is made once per process.
    if (canvasOwnPixels) {
        canvas.pixels = canvasOwnPixels;
        return;
    }
    canvas.create(canvasWidth, canvasHeight);
    canvasOwnPixels = canvas.pixels;
}

void initDemo() {
    createCanvas();
    // Live play gets its soundtrack ready while the pictures load; a capture
    // (whose clock is in place already) never opens one.
    std::optional<EarlySoundtrack> early;
    if (!musicSync.clock) early.emplace("music.mp3");
    musicSync.setMusicStarter(early ? early->starter() : soundtrackStarter());
    loadAssets();
    // Later starts (a reload of the music) start afresh.
    musicSync.setMusicStarter(soundtrackStarter());
}
