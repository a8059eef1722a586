#pragma once

// Puts the director and both scenes back to their state before the first
// frame, so that a second show can run in the same process.
void resetSceneState();
