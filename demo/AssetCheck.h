#pragma once
#include <cstdint>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/Picture.h"

// How a scene draws a picture, which decides the sizes it can take.
enum class PictureRole {
    overlay,  // drawn 1:1 at (0, 0) by unclipped pair-wise members: inside 512 × 256, even width
    texture,  // the rotozoom's texture: 512 wide, a power of two high
    scroller, // drawn clipped: any size
};

// Why `picture`, loaded with `loadResult`, cannot be shown in `role`; empty
// when it can.
std::string pictureRejection(const Bitmap& picture, int32_t loadResult, PictureRole role);

// Keeps a loaded picture in the show, or leaves it out (pixels released, size
// 0) with one line on stderr naming the file and the reason. Returns whether
// the picture was kept.
bool admitPicture(Picture& picture, const char* fileName, int32_t loadResult, PictureRole role);

// A picture left out of the show (or never loaded) has no pixels; the scenes
// skip it.
inline bool isOnShow(const Bitmap& picture) {
    return picture.pixels != nullptr;
}
