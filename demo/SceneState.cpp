#include "demo/SceneState.h"

#include "demo/Director.h"
#include "demo/SceneOne.h"
#include "demo/SceneTwo.h"

void resetSceneState() {
    sceneNumber = 1;
    sceneOneState = SceneOneState{};
    sceneTwoState = SceneTwoState{};
}
