#include "display/Present.h"

#include <cstddef>
#include <cstdio>

#include "display/Convert.h"
#include "platform/MessageBox.h"

uint8_t* frameTarget = nullptr;

namespace {

bool unsupportedModeShown = false;

bool isSupported(PixelMode mode) {
    return mode == 15 || mode == 16 || mode == 24 || mode == 32;
}

} // namespace

void resetUnsupportedModeReport() {
    unsupportedModeShown = false;
}

int32_t centringOffset(PixelMode mode, int32_t displayHeight) {
    if (displayHeight != 384) return 0;
    constexpr int32_t lineAbove = 64 * 512;
    switch (mode) {
    case 15:
    case 16:
        return lineAbove * 2;
    case 24:
        return lineAbove * 3;
    case 32:
        return lineAbove * 4;
    default:
        return 0;
    }
}

void renderFrame(DisplayDevice& display, Bitmap& canvas, uint32_t* ownPixels,
                 const FrameDrawer& draw) {
    uint8_t* locked = display.lockBackBuffer();
    if (!locked) {
        display.restorePrimary();
        return;
    }
    const PixelMode mode = display.pixelMode;
    frameTarget = locked + centringOffset(mode, display.height);

    // The canvas is written as one run of width × height pixels from
    // frameTarget; a back buffer too small for that is never written.
    const size_t canvasBytes = static_cast<size_t>(canvas.width) *
                               static_cast<size_t>(canvas.height) *
                               static_cast<size_t>(bytesPerPixelOf(mode));
    const size_t roomLeft = display.backBufferBytes() - static_cast<size_t>(frameTarget - locked);
    const bool fits = static_cast<size_t>(frameTarget - locked) <= display.backBufferBytes() &&
                      canvasBytes <= roomLeft;

    canvas.pixels = mode == 32 && fits ? reinterpret_cast<uint32_t*>(frameTarget) : ownPixels;
    draw(canvas);

    if (fits) {
        switch (mode) {
        case 15:
            convertTo555(frameTarget, canvas);
            break;
        case 16:
            convertTo565(frameTarget, canvas);
            break;
        case 24:
            convertTo24(frameTarget, canvas);
            break;
        default:
            break;
        }
    }
    // Shown once: a box on every frame would leave the user no way out.
    if (!isSupported(mode) && !unsupportedModeShown) {
        unsupportedModeShown = true;
        std::fprintf(stderr,
                     "demo: the window is on a desktop of %d bits per pixel: frames are drawn on "
                     "15, 16, 24 and 32-bit desktops only, so it stays black\n",
                     static_cast<int>(mode));
        showMessageBox("display box", "Color mode not supported");
    }
    display.unlockBackBuffer();
    display.present();
}
