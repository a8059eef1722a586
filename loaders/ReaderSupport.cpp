#include <cstring>

#include "loaders/ReaderSupport.h"

void expandPixels(uint32_t* destination, const uint8_t* source, int32_t count) {
    for (int32_t i = 0; i < count; ++i, source += 3) {
        const uint8_t bytes[4] = {source[0], source[1], source[2], 0};
        std::memcpy(destination + i, bytes, 4);
    }
}

bool readPixelsOrBlack(std::FILE* file, uint8_t* buffer, size_t size) {
    const size_t got = std::fread(buffer, 1, size, file);
    if (got == size) return true;
    const size_t whole = got - got % 3;
    std::memset(buffer + whole, 0, size - whole);
    return false;
}

namespace {
int64_t picturePixelLimit = maxPicturePixels;
}

bool pictureSizeAcceptable(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= maxPictureSide && height <= maxPictureSide &&
           width * height <= picturePixelLimit;
}

void setPicturePixelLimit(int64_t limit) {
    picturePixelLimit = limit < maxPicturePixels ? limit : maxPicturePixels;
}

LoadOutcome checkPictureSize(PixelSink& sink, int64_t width, int64_t height) {
    if (!pictureSizeAcceptable(width, height)) {
        return loadFailure(loadImageTooLarge, std::to_string(width) + " × " +
                                                  std::to_string(height) +
                                                  " is not a size a picture can have");
    }
    std::string refusal =
        sink.refuseSize(static_cast<int32_t>(width), static_cast<int32_t>(height));
    if (!refusal.empty()) return loadFailure(loadImageTooLarge, std::move(refusal));
    return {};
}

std::string endsInsideHeader(long long fileSize) {
    return "file ends after " + std::to_string(fileSize) + " bytes, inside its header";
}
