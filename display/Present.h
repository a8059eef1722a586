#pragma once
#include <cstdint>
#include <functional>

#include "display/DisplayDevice.h"
#include "gfx/Bitmap.h"

// Where, in the locked back buffer, the first canvas line of this frame goes.
extern uint8_t* frameTarget;

// Draws one whole frame into the canvas it is given: the show's frame, the
// test pattern, a test's.
using FrameDrawer = std::function<void(Bitmap& canvas)>;

// Byte offset of the first canvas line in a back buffer of this mode: in the
// 512 × 384 mode the 256 canvas lines are centred, 64 lines down.
int32_t centringOffset(PixelMode mode, int32_t displayHeight);

// Makes one frame: lock, point `canvas` at the back buffer (32-bit) or at
// `ownPixels` (its own block), draw, convert, unlock, present. A failed lock
// restores the texture and skips the frame.
void renderFrame(DisplayDevice& display, Bitmap& canvas, uint32_t* ownPixels,
                 const FrameDrawer& draw);

// Forgets that the unsupported-mode box was shown (tests, a second run).
void resetUnsupportedModeReport();
