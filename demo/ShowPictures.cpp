#include "demo/ShowPictures.h"

#include <cstdio>

#include "demo/Assets.h"

std::vector<ShowPictureSlot> showPictureSlots() {
    std::vector<ShowPictureSlot> slots;
    slots.push_back({&texturePicture, "data/final.jpg", PictureRole::texture});
    char name[32];
    for (int32_t i = 0; i < 8; ++i) {
        std::snprintf(name, sizeof name, "data/Cluvo%02d.jpg", i + 1);
        slots.push_back({&cluvoPictures[i], name, PictureRole::overlay});
    }
    for (int32_t i = 0; i < 13; ++i) {
        std::snprintf(name, sizeof name, "data/giraffe%02d.jpg", i + 1);
        slots.push_back({&giraffePictures[i], name, PictureRole::overlay});
    }
    slots.push_back({&cloudsPicture, "data/clouds.jpg", PictureRole::overlay});
    slots.push_back({&scrollPicture, "data/scroll.jpg", PictureRole::scroller});
    slots.push_back({&softPicture, "data/soft.jpg", PictureRole::overlay});
    return slots;
}
