#pragma once
#include <cstdint>
#include <string>

// Result code of loading a picture.
enum LoadResult : int32_t {
    loadFileNotOpened = 1, // file not opened, or the JPEG decoder stopped on a fatal error
    loadSuccess = 2,
    loadExtensionNotSupported = 3,
    loadModeNotSupported = 4, // TGA image type other than 2 and 10
    loadNot888 = 5,           // not 24 bits per pixel (or not a readable layout)
    loadImageTooLarge = 6,    // a side of 0, above 16384, more than 2^26 pixels, or refused by size
};

// What a reader says about one file: its code and, when it failed, why.
struct LoadOutcome {
    int32_t code = loadSuccess;
    // The cause in plain words for the log ("not a JPEG file: starts with 0x89
    // 0x50", "file ends after 120 bytes, inside its header"); empty on success.
    std::string reason;
    // The JPEG library's own message when it stopped on a fatal error: the
    // text of the "JPEG Fatal Error" box. Empty for every other outcome.
    std::string decoderMessage;
    // A remark on a load that succeeded all the same (a JPEG that ends early
    // and is filled with grey, corrupt data the library skipped).
    std::string warning;
};

inline LoadOutcome loadFailure(int32_t code, std::string reason) {
    return {code, std::move(reason), {}, {}};
}
