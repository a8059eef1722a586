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

// One picture, unless the hook has asked (now or before) to stop loading.
void loadInTurn(Picture& picture, const char* fileName, PictureRole role,
                DecoderFailures& failures) {
    if (loadingStopped || (betweenLoads && !betweenLoads())) {
        loadingStopped = true;
        return;
    }
    loadForRole(picture, fileName, role, failures);
}

} // namespace

void setBetweenLoadsHook(bool (*hook)()) {
    betweenLoads = hook;
}

void loadAssets() {
    loadingStopped = false;
    // The order is fixed: the pictures load one after the other, and the
    // music starts only once all of them are in. Decoder failures are shown
    // together in one box after the last picture, so the show waits behind
    // at most one box however many files are broken.
    DecoderFailures failures;
    loadInTurn(texturePicture, "data/final.jpg", PictureRole::texture, failures);
    char name[32];
    for (int32_t i = 0; i < 8; ++i) {
        std::snprintf(name, sizeof name, "data/Cluvo%02d.jpg", i + 1);
        loadInTurn(cluvoPictures[i], name, PictureRole::overlay, failures);
    }
    for (int32_t i = 0; i < 13; ++i) {
        std::snprintf(name, sizeof name, "data/giraffe%02d.jpg", i + 1);
        loadInTurn(giraffePictures[i], name, PictureRole::overlay, failures);
    }
    loadInTurn(cloudsPicture, "data/clouds.jpg", PictureRole::overlay, failures);
    loadInTurn(scrollPicture, "data/scroll.jpg", PictureRole::scroller, failures);
    loadInTurn(softPicture, "data/soft.jpg", PictureRole::overlay, failures);
    if (loadingStopped) return;
    showDecoderFailures(failures);
    startMusicAndSync();
}
