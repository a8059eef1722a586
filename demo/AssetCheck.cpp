#include "demo/AssetCheck.h"

#include <cstdio>

#include "demo/Assets.h"
#include "loaders/LoadError.h"

namespace {

std::string sizeText(const Bitmap& picture) {
    return std::to_string(picture.width) + " × " + std::to_string(picture.height);
}

bool isPowerOfTwo(int32_t value) {
    return value > 0 && (value & (value - 1)) == 0;
}

} // namespace

std::string pictureRejection(const Bitmap& picture, int32_t loadResult, PictureRole role) {
    if (loadResult != loadSuccess)
        return std::string("could not be loaded (") + loadErrorText(loadResult) + ")";
    if (!picture.pixels || picture.width < 1 || picture.height < 1)
        return "has no pixels after loading";
    switch (role) {
    case PictureRole::overlay:
        if (picture.width > canvasWidth || picture.height > canvasHeight)
            return sizeText(picture) + " does not fit the 512 × 256 canvas";
        if (picture.width % 2 != 0) return "width " + std::to_string(picture.width) + " is odd";
        return {};
    case PictureRole::texture:
        if (picture.width != 512 || !isPowerOfTwo(picture.height))
            return sizeText(picture) + ": texture must be 512 wide and a power of two high";
        return {};
    case PictureRole::scroller:
        return {};
    }
    return {};
}

bool admitPicture(Picture& picture, const char* fileName, int32_t loadResult, PictureRole role) {
    const std::string reason = pictureRejection(picture, loadResult, role);
    if (reason.empty()) return true;
    std::fprintf(stderr, "%s: %s\n", fileName, reason.c_str());
    picture.releasePixels();
    picture.width = 0;
    picture.height = 0;
    return false;
}
