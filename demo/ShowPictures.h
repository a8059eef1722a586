#pragma once
#include <string>
#include <vector>

#include "demo/AssetCheck.h"
#include "gfx/Picture.h"

// One picture of the show: where it is kept, the file it comes from and how
// the scenes draw it.
struct ShowPictureSlot {
    Picture* picture;
    std::string fileName;
    PictureRole role;
};

// Every picture of the show, in the order the show loads them.
std::vector<ShowPictureSlot> showPictureSlots();
