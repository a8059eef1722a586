#pragma once
#include <cstdint>
#include <string>

#include "tools/Image.h"

class TextRenderer;

// The pictures of the default show. Every one is drawn at the canvas size
// (512 × 256) except the scroller, which is 512 wide and grid::scrollHeight tall.
namespace pictures {

constexpr int32_t width = 512;
constexpr int32_t height = 256;

// The zooming texture: contour lines of warped noise that tile seamlessly in
// both directions, since the zoom repeats the texture.
Image texture();
// Soft layered clouds in night colours.
Image clouds();
// Frame `index` (0..7) of the first sequence: two four-dimensional cubes
// turning in opposite directions on either side of the line triangles.
Image tesseractFrame(int32_t index);
// Frame `index` (0..12) of the second sequence: a giraffe walking across the
// picture, one step of its stride per frame.
Image giraffeFrame(int32_t index);
// The credits and greetings of scene two.
Image scroller(TextRenderer& text);
// The closing picture.
Image closing(TextRenderer& text);

// The fonts, from Debian's fonts-dejavu-core.
extern const char* const boldFont;
extern const char* const regularFont;
extern const char* const serifFont;

} // namespace pictures
