#pragma once
#include <cstdint>

// 1 while scene one draws the frames, 2 once scene two has taken over.
extern int32_t sceneNumber;

// The cursor of `track` in sync pattern 0: the index of its next event still
// to fire, or -1 once none is left (also -1 while there is no pattern store).
int32_t patternZeroCursor(int32_t track);
