#include "demo/Assets.h"

#include <cstdio>

#include "demo/AssetCheck.h"
#include "sync/MusicSync.h"

Picture texturePicture;
Picture cluvoPictures[8];
Picture giraffePictures[14];
Picture cloudsPicture;
Picture scrollPicture;
Picture softPicture;
Bitmap canvas;

namespace {

bool (*betweenLoads)() = nullptr;
bool loadingStopped = false;

void loadAndCheck(Picture& picture, const char* fileName, PictureRole role) {
    if (loadingStopped || (betweenLoads && !betweenLoads())) {
        loadingStopped = true;
        return;
    }
    const int32_t result = picture.load(fileName);
    admitPicture(picture, fileName, result, role);
}

} // namespace

void setBetweenLoadsHook(bool (*hook)()) {
    betweenLoads = hook;
}

void loadAssets() {
    loadingStopped = false;
    // The order is fixed: the pictures load one after the other, and the
    // music starts only once all of them are in.
    loadAndCheck(texturePicture, "data/final.jpg", PictureRole::texture);
    char name[32];
    for (int32_t i = 0; i < 8; ++i) {
        std::snprintf(name, sizeof name, "data/Cluvo%02d.jpg", i + 1);
        loadAndCheck(cluvoPictures[i], name, PictureRole::overlay);
    }
    for (int32_t i = 0; i < 13; ++i) {
        std::snprintf(name, sizeof name, "data/giraffe%02d.jpg", i + 1);
        loadAndCheck(giraffePictures[i], name, PictureRole::overlay);
    }
    loadAndCheck(cloudsPicture, "data/clouds.jpg", PictureRole::overlay);
    loadAndCheck(scrollPicture, "data/scroll.jpg", PictureRole::scroller);
    loadAndCheck(softPicture, "data/soft.jpg", PictureRole::overlay);
    if (loadingStopped) return;
    startMusicAndSync();
}
