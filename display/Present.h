#pragma once
#include <cstdint>

#include "display/DisplayDevice.h"

// Where, in the locked back buffer, the first canvas line of this frame goes.
extern uint8_t* frameTarget;

// Draws one whole frame into the canvas. sceneDirector unless replaced (the
// test pattern, tests).
using FrameDrawer = void (*)();
void setFrameDrawer(FrameDrawer drawer);
FrameDrawer frameDrawerInUse();

// Byte offset of the first canvas line in a back buffer of this mode: in the
// 512 × 384 mode the 256 canvas lines are centred, 64 lines down.
int32_t centringOffset(PixelMode mode, int32_t displayHeight);

// Makes one frame: lock, point the canvas at the back buffer (32-bit) or at
// its own pixels, draw, convert, unlock, present. A failed lock restores the
// texture and skips the frame.
void renderFrame(DisplayDevice& display);

// Forgets that the unsupported-mode box was shown (tests, a second run).
void resetUnsupportedModeReport();
