#pragma once
#include <cstdint>

#include "gfx/Bitmap.h"

// Colours of the test pattern's four upright bars, left to right, each a
// quarter of the width (canvas layout: blue in the low byte).
constexpr uint32_t testPatternBars[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};

// A picture with known colours for checking the display path by eye or by
// screenshot: four upright bars (red, green, blue, white) over the whole
// height, crossed by a grey band in the middle eighth of the lines in which a
// black block moves four pixels to the right per frame.
void drawTestPattern(Bitmap& canvas, int32_t frame);
