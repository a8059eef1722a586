#include "fuzz/load_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    loadfuzz::loadBytes(data, size, ".tga");
    return 0;
}
