#pragma once
#include "platform/MusicClock.h"

// Opens and starts the soundtrack `fileName` (looped), kept for the rest of
// the process, and returns it as the show's clock; without sound, a wall clock
// in the same unit takes its place. A later call replaces the soundtrack.
MusicClock& startMusic(const char* fileName);

// The music's part of start-up, after the pictures and the sync script:
// starts music.mp3 and hands its clock to the sync, unless a clock was given
// already (the capture's frame clock, a test's).
void startMusicUnlessClockGiven();
