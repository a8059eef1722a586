#include "gfx/Picture.h"

// Placeholder until the readers land: every load fails as "file not opened".
int32_t Picture::load(const char*) { return loadFileNotOpened; }
void Picture::reportLoadError(int32_t) {}
