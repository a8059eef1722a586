#pragma once
#include <cstdint>

#include "gfx/Bitmap.h"

// Each converter walks the canvas's width × height pixels in memory order and
// writes them back to back from `destination`, with no line padding. Channels
// are cut to their width by dropping low bits: no rounding, no dithering.
// The caller makes sure width × height output pixels fit.

// 16-bit little-endian x555 words; bit 15 is 0.
void convertTo555(uint8_t* destination, const Bitmap& canvas);
// 16-bit little-endian 565 words.
void convertTo565(uint8_t* destination, const Bitmap& canvas);
// Three bytes per pixel: blue, green, red.
void convertTo24(uint8_t* destination, const Bitmap& canvas);
