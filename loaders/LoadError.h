#pragma once
#include <cstdint>

// The text reportLoadError shows for a LoadResult code ("error unknow" for
// success and for codes it does not know).
const char* loadErrorText(int32_t code);
