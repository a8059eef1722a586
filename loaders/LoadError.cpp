#include "loaders/LoadError.h"

#include <cstdio>

#include "gfx/Picture.h"
#include "platform/MessageBox.h"

const char* loadErrorText(int32_t code) {
    switch (code) {
    case loadFileNotOpened:
        return "file doesn't exist";
    case loadExtensionNotSupported:
        return "extension not supported";
    case loadModeNotSupported:
        return "extension supported, but mode isn't";
    case loadNot888:
        return "not a 8/8/8 format";
    case loadImageTooLarge:
        return "image too large";
    default:
        return "error unknow";
    }
}

void Picture::reportLoadError(int32_t code) {
    // The caption is bounded whatever the name's length: a long name is cut
    // so that prefix and name together fill at most the 255 characters.
    static constexpr char prefix[] = "error loading file: ";
    char caption[256];
    constexpr int nameRoom = static_cast<int>(sizeof caption - sizeof prefix);
    std::snprintf(caption, sizeof caption, "%s%.*s", prefix, nameRoom, fileName);
    showMessageBox(caption, loadErrorText(code));
}
