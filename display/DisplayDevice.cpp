#include "display/DisplayDevice.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "display/CrispScale.h"
#include "display/WindowFrame.h"
#include "gfx/Bitmap.h"
#include "platform/MessageBox.h"
#include "platform/Quit.h"

namespace {

// Spare zeroed bytes before and after the back buffer. In 32-bit frames the
// canvas lives inside it, and blur8 reads up to blur8ReachPixels beyond the
// canvas on either side.
constexpr size_t guardBytes = guardBandBytes;

} // namespace

DisplayDevice::~DisplayDevice() {
    release();
}

void DisplayDevice::init(SDL_Window* newWindow, int32_t newWidth, int32_t newHeight,
                         int32_t newRequestedBpp, int32_t newDesktopBpp, bool fullscreen,
                         uint32_t newDesktopFormat) {
    window = newWindow;
    width = newWidth;
    height = newHeight;
    requestedBpp = newRequestedBpp;
    desktopBpp = newDesktopBpp;
    desktopFormat = newDesktopFormat;
    flags = fullscreen ? (flags | fullscreenFlag) : (flags & ~fullscreenFlag);

    // Vsync is asked for; whether presents really wait is checked as they
    // happen (see PresentPacer).
    const uint32_t rendererFlags = forcedRefreshHz > 0 ? 0 : SDL_RENDERER_PRESENTVSYNC;
    renderer = window ? SDL_CreateRenderer(window, -1, rendererFlags) : nullptr;
    if (!renderer) {
        reportError("DirectDrawCreateEx FAILED");
    } else if (isFullscreen()) {
        setUpFullscreen();
    } else {
        setUpWindowed();
    }
    // Hidden once for the whole run, whatever happened above.
    SDL_ShowCursor(SDL_DISABLE);
}

void DisplayDevice::setUpFullscreen() {
    // No logical size: present places and scales the picture itself, in
    // output pixels (see CrispScale).
    if (SDL_RenderSetLogicalSize(renderer, 0, 0) != 0) {
        reportError("SetCooperativeLevel FAILED");
        return;
    }
    forgetWindowFrame();
    if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        reportError("SetDisplayMode FAILED");
        return;
    }
    if (!makeTexture(textureFormatFor(requestedBpp))) {
        reportError("Create PrimarySurface FAILED");
        return;
    }
    pixelMode = requestedBpp;
    if (!makeBackBuffer()) {
        reportError("GetAttachedSurface FAILED");
        return;
    }
    if (pixelMode == 16) pixelMode = probe16BitFormat();
    startPacing();
}

void DisplayDevice::setUpWindowed() {
    if (SDL_RenderSetLogicalSize(renderer, 0, 0) != 0) {
        reportError("SetCooperativeLevel FAILED");
        return;
    }
    // The buffer takes the desktop's layout. Only a two-byte desktop needs
    // its own format (555 or 565, told apart by the probe below); every other
    // depth is shown through the format that matches its PixelMode.
    const bool twoByteDesktop = desktopFormat != 0 && SDL_BYTESPERPIXEL(desktopFormat) == 2;
    const uint32_t format =
        desktopBpp == 16 && twoByteDesktop ? desktopFormat : textureFormatFor(desktopBpp);
    if (!makeTexture(format)) {
        reportError("Create PrimarySurface FAILED");
        return;
    }
    pixelMode = desktopBpp;
    if (!makeBackBuffer()) {
        reportError("Create BufferSurface");
        return;
    }
    if (pixelMode == 16) pixelMode = probe16BitFormat();
    startPacing();
}

PixelMode DisplayDevice::probe16BitFormat() {
    uint32_t format = 0;
    int bpp = 0;
    uint32_t red = 0, green = 0, blue = 0, alpha = 0;
    if (!texture || SDL_QueryTexture(texture, &format, nullptr, nullptr, nullptr) != 0 ||
        !SDL_PixelFormatEnumToMasks(format, &bpp, &red, &green, &blue, &alpha)) {
        reportError("Bad pixel format");
        return 0;
    }
    const PixelMode mode = pixelModeFromGreenMask(green);
    if (mode == 0) reportError("Color mode not supported");
    return mode;
}

void DisplayDevice::toggleFullscreen() {
    // Released (the window is going away): there is nothing to switch.
    if (!renderer) return;
    if (isFullscreen()) SDL_SetWindowFullscreen(window, 0);
    releaseSurfaces();
    if (isFullscreen()) {
        flags &= ~fullscreenFlag;
        // The outer frame at (200, 200) around a client area of exactly the
        // mode's size, so the picture is shown pixel for pixel.
        placeWindowFrame(window, 200, 200, width, height);
        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
        setUpWindowed();
    } else {
        flags |= fullscreenFlag;
        setUpFullscreen();
    }
}

void DisplayDevice::releaseSurfaces() {
    if (backBufferBlock) {
        std::free(backBufferBlock);
        backBufferBlock = nullptr;
        backBuffer = nullptr;
        backBufferSize = 0;
    }
    if (texture) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
    dropPrescaled();
    overlay.drop(true);
    locked = false;
}

void DisplayDevice::dropPrescaled() {
    if (prescaled) SDL_DestroyTexture(prescaled);
    prescaled = nullptr;
    prescaledFactor = 0;
}

void DisplayDevice::release() {
    if (!renderer) return;
    releaseSurfaces();
    // Desktop fullscreen never changed the display mode, so there is no mode
    // to restore; the window itself belongs to the shell.
    SDL_DestroyRenderer(renderer);
    renderer = nullptr;
}

void DisplayDevice::reportError(const char* text) {
    showMessageBox("directDrawError", text);
    // The run ends with a failure status: the quit posted first sets it, the
    // one the window's destruction posts later does not change it.
    postQuitMessage(displayFailureExitCode);
    release();
    if (window) SDL_HideWindow(window);
}

bool DisplayDevice::makeTexture(uint32_t format) {
    texture = SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    currentTextureFormat = texture ? format : 0;
    return texture != nullptr;
}

bool DisplayDevice::makeBackBuffer() {
    if (width <= 0 || height <= 0) return false;
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) *
                         static_cast<size_t>(bytesPerPixelOf(pixelMode));
    backBufferBlock = static_cast<uint8_t*>(std::calloc(bytes + 2 * guardBytes, 1));
    if (!backBufferBlock) return false;
    backBuffer = backBufferBlock + guardBytes;
    backBufferSize = bytes;
    return true;
}

double DisplayDevice::refreshHz() const {
    const double seconds = std::chrono::duration<double>(pacer.period()).count();
    return seconds > 0 ? 1.0 / seconds : 60.0;
}

void DisplayDevice::startPacing() {
    if (forcedRefreshHz > 0) {
        pacer.start(forcedRefreshHz, false);
        return;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    // SDL's software renderer accepts the vsync flag but never waits.
    const bool claimsVsync =
        (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 && (info.flags & SDL_RENDERER_SOFTWARE) == 0;
    SDL_DisplayMode mode{};
    int32_t refresh = 0;
    const int displayIndex = SDL_GetWindowDisplayIndex(window);
    if (displayIndex >= 0 && SDL_GetCurrentDisplayMode(displayIndex, &mode) == 0)
        refresh = mode.refresh_rate;
    pacer.start(refresh, claimsVsync);
}

uint8_t* DisplayDevice::lockBackBuffer() {
    if (!renderer || !texture || !backBuffer) return nullptr;
    locked = true;
    return backBuffer;
}

void DisplayDevice::restorePrimary() {
    if (!renderer || texture || !backBuffer || currentTextureFormat == 0) return;
    makeTexture(currentTextureFormat);
}

void DisplayDevice::textureLost() {
    if (texture) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
    dropPrescaled();
    overlay.drop(true);
}

void DisplayDevice::unlockBackBuffer() {
    locked = false;
}

void DisplayDevice::present() {
    if (!renderer || !texture || !backBuffer) return;
    // The texture's own row pitch is SDL's business: the upload reads our
    // rows at our pitch and writes the texture's rows at its pitch.
    const bool drawn =
        SDL_UpdateTexture(texture, nullptr, backBuffer, backBufferPitch()) == 0 && drawScaled();
    if (!drawn && !isFullscreen()) {
        reportError("Blt FAILED");
        return;
    }
    if (drawn) overlay.draw(renderer, pictureX, pictureY, pictureWidth, pictureHeight);
    const auto when = pacer.presentTime(PresentPacer::Clock::now());
    std::this_thread::sleep_until(when);
    SDL_RenderPresent(renderer);
    pacer.presented(PresentPacer::Clock::now());
    ++presents;
}

bool DisplayDevice::drawScaled() {
    int outputWidth = 0, outputHeight = 0;
    if (SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight) != 0) return false;
    const CrispScalePlan plan = planCrispScale(outputWidth, outputHeight, width, height);
    const SDL_Rect where{plan.x, plan.y, plan.width, plan.height};
    pictureX = plan.x;
    pictureY = plan.y;
    pictureWidth = plan.width;
    pictureHeight = plan.height;
    SDL_Texture* source = texture;
    if (plan.prescale > 1 && ensurePrescaled(plan.prescale)) {
        // Every back-buffer pixel becomes a prescale × prescale square.
        if (SDL_SetRenderTarget(renderer, prescaled) != 0 ||
            SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest) != 0 ||
            SDL_RenderCopy(renderer, texture, nullptr, nullptr) != 0 ||
            SDL_SetRenderTarget(renderer, nullptr) != 0)
            return false;
        source = prescaled;
    }
    // Whole factors (the window's 1:1 included) stay nearest neighbour; a
    // prescaled picture or one shrunk below its size is scaled linearly.
    const SDL_ScaleMode mode =
        plan.prescale == 1 && source == texture ? SDL_ScaleModeNearest : SDL_ScaleModeLinear;
    return SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE) == 0 &&
           SDL_RenderClear(renderer) == 0 && SDL_SetTextureScaleMode(source, mode) == 0 &&
           SDL_RenderCopy(renderer, source, nullptr, &where) == 0;
}

bool DisplayDevice::ensurePrescaled(int32_t factor) {
    if (prescaled && prescaledFactor == factor) return true;
    dropPrescaled();
    prescaled = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_TARGET,
                                  width * factor, height * factor);
    // A renderer without render targets scales in one linear step instead.
    if (!prescaled) return false;
    prescaledFactor = factor;
    return true;
}
