#include "fuzz/load_fuzz_support.h"

// The first byte picks the ending, mixed case included, so the dispatch on
// the name is fuzzed along with whichever reader it picks.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const endings[] = {".bmp", ".BMP", ".tga",  ".TgA", ".jpg",
                                          ".JPG", "xjpg", ".jpeg", ".png"};
    if (size == 0) return 0;
    loadfuzz::loadBytes(data + 1, size - 1, endings[data[0] % (sizeof endings / sizeof *endings)]);
    return 0;
}
