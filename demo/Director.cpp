#include "demo/Director.h"

#include "demo/Assets.h"
#include "demo/SceneOne.h"
#include "demo/SceneTwo.h"
#include "sync/MusicSync.h"

int32_t sceneNumber = 1;

int32_t patternZeroCursor(int32_t track) {
    if (!musicSync.patterns) return -1;
    return musicSync.patterns[0].cursor[track];
}

// The cursor is read before this frame's update, so it still holds what the
// previous frame left: scene two starts in the frame after track 4's first
// event has fired, and nothing ever switches back.
void sceneDirector() {
    if (patternZeroCursor(4) == 1) {
        sceneNumber = 2;
        sceneTwo();
        return;
    }
    if (sceneNumber == 1)
        sceneOne();
    else
        sceneTwo();
}
