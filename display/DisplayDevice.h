#pragma once
#include <cstddef>
#include <cstdint>

#include "display/OverlayLayer.h"
#include "display/PixelMode.h"
#include "display/PresentPacer.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

// Exit status of a run that ended because the display could not be set up or
// presented to (an orderly ending gives 0).
constexpr int32_t displayFailureExitCode = 1;

// Everything the program holds of the display: the renderer, the streaming
// texture the screen shows, and the back buffer in system memory that each
// frame is written into. It sets the display up fullscreen (desktop
// fullscreen, the 512 × 384 picture scaled crisply with its aspect kept) or in
// a window whose client area shows it pixel for pixel, knows the back buffer's PixelMode, switches
// set-ups on F12 and releases everything when the window goes away.
//
// The renderer lives from init to release, like the device object of the
// display layer it stands in for; the texture and the back buffer are made
// anew by every set-up. The window clips the picture itself, so nothing takes
// the place of a clipper.
class DisplayDevice {
  public:
    DisplayDevice() = default;
    ~DisplayDevice();
    DisplayDevice(const DisplayDevice&) = delete;
    DisplayDevice& operator=(const DisplayDevice&) = delete;

    // desktopFormat is the SDL pixel format of the desktop; windowed set-ups
    // take their 16-bit layout from it. SDL_PIXELFORMAT_UNKNOWN (0) lets
    // desktopBpp alone decide (16 then means 565).
    void init(SDL_Window* window, int32_t width, int32_t height, int32_t requestedBpp,
              int32_t desktopBpp, bool fullscreen, uint32_t desktopFormat = 0);
    void setUpFullscreen();
    void setUpWindowed();
    // 15 or 16 from the texture format's green mask; anything else is
    // reported as "Color mode not supported" and gives 0.
    PixelMode probe16BitFormat();
    void toggleFullscreen();
    void release();
    // Shows the failure, ends the run with displayFailureExitCode and takes
    // the window off the screen; the device is released at once, so the
    // operation that met the failure goes no further.
    void reportError(const char* text);

    // The back buffer's first byte, or nullptr when there is nothing to lock
    // (released, or the texture was lost and must be restored first).
    uint8_t* lockBackBuffer();
    // Makes a lost texture again (the renderer lost its device).
    void restorePrimary();
    void unlockBackBuffer();
    // Uploads the back buffer and shows it, waiting for the next refresh.
    void present();

    // The renderer dropped its textures (SDL_RENDER_DEVICE_RESET).
    void textureLost();

    // Bytes from the first to one past the last byte of the back buffer.
    size_t backBufferBytes() const { return backBufferSize; }
    int32_t backBufferPitch() const { return width * bytesPerPixelOf(pixelMode); }
    bool isFullscreen() const { return (flags & fullscreenFlag) != 0; }
    uint32_t textureFormat() const { return currentTextureFormat; }
    bool pacedByTimer() const { return pacer.pacing(); }
    // The refresh rate presents keep to, as far as the device knows it: the
    // display's claim (60 when it makes none) or the forced rate.
    double refreshHz() const;
    // Before init: present by the timer at this rate, without vsync, whatever
    // the display claims (tests of other refresh rates on any machine).
    // 0 leaves the choice to the display.
    void forceRefreshRate(int32_t hz) { forcedRefreshHz = hz > 0 ? hz : 0; }
    int64_t presentCount() const { return presents; }

    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    uint8_t* backBuffer = nullptr;
    SDL_Window* window = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t requestedBpp = 0;
    int32_t desktopBpp = 0;
    PixelMode pixelMode = 0;
    uint32_t flags = 0;

    static constexpr uint32_t fullscreenFlag = 1;

    // Laid over every presented picture (hidden unless shown).
    OverlayLayer overlay;

  private:
    bool makeTexture(uint32_t format);
    bool makeBackBuffer();
    void releaseSurfaces();
    void startPacing();
    // Draws the uploaded picture into the output, aspect kept, crisp (see
    // CrispScale).
    bool drawScaled();
    bool ensurePrescaled(int32_t factor);
    void dropPrescaled();

    // The picture enlarged by a whole factor, for outputs whose fit is not a
    // whole multiple of the mode.
    SDL_Texture* prescaled = nullptr;
    int32_t prescaledFactor = 0;
    int32_t forcedRefreshHz = 0;
    // Where the last present put the picture in the output.
    int32_t pictureX = 0, pictureY = 0, pictureWidth = 0, pictureHeight = 0;
    uint32_t desktopFormat = 0;
    uint32_t currentTextureFormat = 0;
    uint8_t* backBufferBlock = nullptr;
    size_t backBufferSize = 0;
    bool locked = false;
    PresentPacer pacer;
    int64_t presents = 0;
};
