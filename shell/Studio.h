#pragma once
#include <cstdint>

// The studio: the live show in a window, from step `startStep`, with the
// keys of a sync editor (Space pause, Left/Right seek 1 s, with Shift 10 s,
// ',' and '.' step, Home start, R reload, H overlay; Escape and F12 as live),
// the show's files watched and reloaded when they change on disk. Returns the
// exit status as runLive does.
int runStudio(int64_t startStep);
