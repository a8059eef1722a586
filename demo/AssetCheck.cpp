#include "demo/AssetCheck.h"

#include <cstdio>

#include "demo/Assets.h"
#include "loaders/LoadError.h"
#include "platform/MessageBox.h"

namespace {

std::string sizeText(int32_t width, int32_t height) {
    return std::to_string(width) + " × " + std::to_string(height);
}

bool isPowerOfTwo(int32_t value) {
    return value > 0 && (value & (value - 1)) == 0;
}

void say(const char* fileName, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", fileName, what.c_str());
}

void sayInto(std::string& said, const char* fileName, const std::string& what) {
    said += std::string(fileName) + ": " + what + "\n";
}

void leaveOut(Picture& picture) {
    picture.releasePixels();
    picture.width = 0;
    picture.height = 0;
}

} // namespace

std::string sizeRejection(int32_t width, int32_t height, PictureRole role) {
    switch (role) {
    case PictureRole::overlay:
        if (width > canvasWidth || height > canvasHeight)
            return sizeText(width, height) + " does not fit the 512 × 256 canvas";
        if (width % 2 != 0) return "width " + std::to_string(width) + " is odd";
        return {};
    case PictureRole::texture:
        if (width != 512 || !isPowerOfTwo(height))
            return sizeText(width, height) + ": texture must be 512 wide and a power of two high";
        return {};
    case PictureRole::scroller:
        if (int64_t{width} * height > mostScrollerPixels)
            return sizeText(width, height) +
                   ": a scroller may hold at most 512 × 16384 pixels (8388608)";
        return {};
    }
    return {};
}

std::string pictureRejection(const Bitmap& picture, int32_t loadResult, PictureRole role) {
    if (loadResult != loadSuccess)
        return std::string("could not be loaded (") + loadErrorText(loadResult) + ")";
    if (!picture.pixels || picture.width < 1 || picture.height < 1)
        return "has no pixels after loading";
    return sizeRejection(picture.width, picture.height, role);
}

bool admitPicture(Picture& picture, const char* fileName, int32_t loadResult, PictureRole role) {
    const std::string reason = pictureRejection(picture, loadResult, role);
    if (reason.empty()) return true;
    say(fileName, reason);
    leaveOut(picture);
    return false;
}

bool loadForRole(Picture& picture, const char* fileName, PictureRole role,
                 DecoderFailures& failures) {
    std::string said;
    const bool kept = loadForRole(picture, fileName, role, failures, said);
    std::fputs(said.c_str(), stderr);
    return kept;
}

bool loadForRole(Picture& picture, const char* fileName, PictureRole role,
                 DecoderFailures& failures, std::string& said) {
    std::string sizeRefusal;
    const LoadOutcome outcome = picture.loadChecked(fileName, [&](int32_t width, int32_t height) {
        sizeRefusal = sizeRejection(width, height, role);
        return sizeRefusal;
    });
    if (outcome.code == loadSuccess) {
        if (!outcome.warning.empty()) sayInto(said, fileName, outcome.warning);
        const std::string reason = pictureRejection(picture, outcome.code, role);
        if (reason.empty()) return true;
        sayInto(said, fileName, reason);
        leaveOut(picture);
        return false;
    }
    if (!sizeRefusal.empty()) {
        sayInto(said, fileName, sizeRefusal);
    } else {
        const std::string cause =
            outcome.reason.empty() ? loadErrorText(outcome.code) : outcome.reason;
        sayInto(said, fileName, "could not be loaded (" + cause + ")");
    }
    if (!outcome.decoderMessage.empty())
        failures.push_back(std::string(fileName) + ": " + outcome.decoderMessage);
    leaveOut(picture);
    return false;
}

void showDecoderFailures(const DecoderFailures& failures) {
    if (failures.empty()) return;
    std::string text;
    for (const std::string& line : failures) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    showErrorMessageBox("JPEG Fatal Error", text.c_str());
}
