#include "loaders/LoadError.h"

#include "loaders/LoadResult.h"

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
