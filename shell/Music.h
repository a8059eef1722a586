#pragma once
#include "sync/MusicSync.h"

// How the program starts a soundtrack: an MP3 file played looped through the
// audio output (see Soundtrack); without sound, a wall clock in the same unit.
MusicStarter soundtrackStarter();
