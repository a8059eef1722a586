#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Picture.h"

// How a scene draws a picture, which decides the sizes it can take.
enum class PictureRole {
    overlay,  // drawn 1:1 at (0, 0) by unclipped pair-wise members: inside 512 × 256, even width
    texture,  // the rotozoom's texture: 512 wide, a power of two high
    scroller, // drawn clipped: any shape, up to mostScrollerPixels
};

// The scroller shows only its middle 512 columns, and its height sets how long
// scene two runs (2.5 frames a row: 16384 rows are close to seven minutes).
// Its limit is that of a canvas-wide picture as tall as the readers allow,
// 512 × 16384, so a forged header costs at most 32 MB and a fraction of a
// second to decode, where the readers' own limit would take 256 MB and
// seconds.
constexpr int64_t mostScrollerPixels = int64_t{512} * 16384;

// Why a width × height picture cannot be shown in `role`; empty when it can.
std::string sizeRejection(int32_t width, int32_t height, PictureRole role);

// Why `picture`, loaded with `loadResult`, cannot be shown in `role`; empty
// when it can.
std::string pictureRejection(const Bitmap& picture, int32_t loadResult, PictureRole role);

// Keeps a loaded picture in the show, or leaves it out (pixels released, size
// 0) with one line on stderr naming the file and the reason. Returns whether
// the picture was kept.
bool admitPicture(Picture& picture, const char* fileName, int32_t loadResult, PictureRole role);

// The decoder failures of one start-up, one line each ("file: message"), to
// be shown together in a single box once every picture has been tried.
using DecoderFailures = std::vector<std::string>;

// Loads a picture for `role`, refusing a size the role cannot take from the
// file's header alone, before anything is decoded. Whatever goes wrong is
// said on stderr in one line naming the file and the cause; a failure the
// JPEG decoder stopped on is also added to `failures`. Returns whether the
// picture is in the show.
bool loadForRole(Picture& picture, const char* fileName, PictureRole role,
                 DecoderFailures& failures);
// The same, with the lines it has to say added to `said` (each ending in a
// newline) instead of written: for loads that run side by side and are
// reported in their order afterwards.
bool loadForRole(Picture& picture, const char* fileName, PictureRole role,
                 DecoderFailures& failures, std::string& said);

// Shows one "JPEG Fatal Error" box listing every decoder failure, or nothing
// when there were none.
void showDecoderFailures(const DecoderFailures& failures);

// A picture left out of the show (or never loaded) has no pixels; the scenes
// skip it.
inline bool isOnShow(const Bitmap& picture) {
    return picture.pixels != nullptr;
}
