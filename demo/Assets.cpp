#include "demo/Assets.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "demo/AssetCheck.h"
#include "demo/ShowPictures.h"
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

// One picture of the show to load, and what its load had to say.
struct PictureLoad {
    ShowPictureSlot slot;
    DecoderFailures failures;
    std::string said;
};

} // namespace

void setBetweenLoadsHook(bool (*hook)()) {
    betweenLoads = hook;
}

void loadAssets() {
    // The pictures decode on two threads, this one and a helper, taking the
    // next picture in turn; this one asks the hook before each of its
    // pictures whether to go on (it answers the window meanwhile). What each
    // load has to say is said in the pictures' order once all are in, and
    // decoder failures are shown together in one box after that, so the
    // show waits behind at most one box however many files are broken. The
    // music starts only once every picture is in.
    std::vector<PictureLoad> loads;
    for (ShowPictureSlot& slot : showPictureSlots()) loads.push_back({std::move(slot), {}, {}});
    std::atomic<size_t> next{0};
    std::atomic<bool> stopped{false};
    const auto loadNext = [&loads, &next] {
        const size_t i = next.fetch_add(1);
        if (i >= loads.size()) return false;
        PictureLoad& load = loads[i];
        loadForRole(*load.slot.picture, load.slot.fileName.c_str(), load.slot.role, load.failures,
                    load.said);
        return true;
    };
    std::thread helper([&] {
        while (!stopped.load() && loadNext()) {
        }
    });
    for (;;) {
        if (betweenLoads && !betweenLoads()) {
            stopped = true;
            break;
        }
        if (!loadNext()) break;
    }
    helper.join();

    DecoderFailures failures;
    for (const PictureLoad& load : loads) {
        std::fputs(load.said.c_str(), stderr);
        failures.insert(failures.end(), load.failures.begin(), load.failures.end());
    }
    if (stopped) return;
    showDecoderFailures(failures);
    startMusicAndSync();
}
