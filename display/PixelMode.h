#pragma once
#include <cstdint>

// The layout of the back buffer's pixels, named by bits per pixel:
//   15  16-bit words x555 (bit 15 unused)
//   16  16-bit words 565
//   24  three bytes per pixel: blue, green, red
//   32  four bytes per pixel: blue, green, red, fourth byte (the canvas's own)
// Any other value (8 from a 256-colour desktop) is kept as it is; frame
// presentation then shows the frame unconverted.
using PixelMode = int32_t;

// Bytes one pixel takes in a back buffer of this mode (15 and 16 take two,
// an unknown depth takes its bits rounded up to whole bytes, at least one).
int32_t bytesPerPixelOf(PixelMode mode);

// The SDL texture format whose bytes in memory match the mode: 32 is XRGB8888
// (B, G, R, X on a little-endian machine), 24 is BGR24 (bytes B, G, R), 16 is
// RGB565, 15 is XRGB1555. Other depths get a format of the same pixel size so
// the unconverted frame can still be uploaded.
uint32_t textureFormatFor(PixelMode mode);

// The desktop depth as the shell records it: the bits per pixel of the display
// mode's format, where 24-bit colour stored in four bytes counts as 32 and
// every two-byte format counts as 16 (the green-mask probe tells 555 from 565).
int32_t desktopBppOf(uint32_t sdlFormat);

// Tells the two 16-bit layouts apart from a green mask: 0x3E0 gives 15, 0x7E0
// gives 16, anything else 0 (not supported).
PixelMode pixelModeFromGreenMask(uint32_t greenMask);
