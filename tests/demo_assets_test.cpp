#include <gtest/gtest.h>

#include "demo/AssetCheck.h"
#include "demo/Director.h"
#include "demo/SceneOne.h"
#include "demo/SceneTwo.h"
#include "demo_show_support.h"

namespace {

using demotest::firesIn;
using demotest::makeSolid;

// The stderr line admitPicture writes, or "" when it keeps the picture.
std::string verdict(Picture& picture, const char* name, int32_t result, PictureRole role) {
    testing::internal::CaptureStderr();
    const bool kept = admitPicture(picture, name, result, role);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(kept, said.empty()) << said;
    if (!kept) {
        EXPECT_EQ(picture.pixels, nullptr);
        EXPECT_EQ(picture.width, 0);
    }
    return said;
}

TEST(DemoAssets, PicturesThatCannotBeDrawnSafelyAreLeftOutWithOneLine) {
    Picture p;
    makeSolid(p, 600, 300, 0);
    EXPECT_EQ(verdict(p, "data/clouds.jpg", loadSuccess, PictureRole::overlay),
              "data/clouds.jpg: 600 × 300 does not fit the 512 × 256 canvas\n");
    makeSolid(p, 100, 257, 0);
    EXPECT_NE(verdict(p, "data/soft.jpg", loadSuccess, PictureRole::overlay), "");
    makeSolid(p, 301, 20, 0);
    EXPECT_EQ(verdict(p, "data/Cluvo03.jpg", loadSuccess, PictureRole::overlay),
              "data/Cluvo03.jpg: width 301 is odd\n");
    makeSolid(p, 1, 1, 0);
    EXPECT_NE(verdict(p, "data/giraffe01.jpg", loadSuccess, PictureRole::overlay), "");
    p.releasePixels();
    p.width = p.height = 0;
    EXPECT_EQ(verdict(p, "data/giraffe13.jpg", loadFileNotOpened, PictureRole::overlay),
              "data/giraffe13.jpg: could not be loaded (file doesn't exist)\n");
    EXPECT_EQ(verdict(p, "data/scroll.jpg", loadNot888, PictureRole::scroller),
              "data/scroll.jpg: could not be loaded (not a 8/8/8 format)\n");

    for (auto [w, h] : {std::pair{512, 96}, {256, 256}, {513, 256}}) {
        makeSolid(p, w, h, 0);
        EXPECT_NE(verdict(p, "data/final.jpg", loadSuccess, PictureRole::texture)
                      .find("texture must be 512 wide and a power of two high"),
                  std::string::npos);
    }
}

TEST(DemoAssets, PicturesThatFitAreKept) {
    Picture p;
    for (auto [w, h] : {std::pair{512, 256}, {2, 1}, {64, 200}}) {
        makeSolid(p, w, h, 0);
        EXPECT_EQ(verdict(p, "data/soft.jpg", loadSuccess, PictureRole::overlay), "");
    }
    for (auto [w, h] : {std::pair{512, 1}, {512, 512}, {512, 2048}}) {
        makeSolid(p, w, h, 0);
        EXPECT_EQ(verdict(p, "data/final.jpg", loadSuccess, PictureRole::texture), "");
    }
    for (auto [w, h] : {std::pair{1, 1}, {1001, 3000}}) {
        makeSolid(p, w, h, 0);
        EXPECT_EQ(verdict(p, "data/scroll.jpg", loadSuccess, PictureRole::scroller), "");
    }
}

class DemoAssetsShow : public demotest::ShowTest {};

// With every picture missing, both scenes run through all their layers and
// draw nothing out of place.
TEST_F(DemoAssetsShow, TheShowRunsOnWithoutItsPictures) {
    for (int32_t i = 1; i <= 15; ++i) addEvent(2, firesIn(2 * i), beatValue, 1);
    for (int32_t i = 1; i <= 9; ++i) addEvent(3, firesIn(i), 0, 0);
    for (int32_t i = 0; i < 34; ++i) addEvent(4, firesIn(40 + i), 200, 2);
    seek();
    for (int32_t frame = 1; frame <= 80; ++frame) sceneDirector();
    EXPECT_EQ(state.sceneNumber, 2);
    EXPECT_EQ(state.sceneOne.giraffeIndex, 1);
    EXPECT_EQ(state.sceneOne.giraffeSeen, 1); // the lines still fade out
    state.sceneTwo.scrollY = -900.0f;
    for (int32_t frame = 0; frame < 640 && !quitPosted(); ++frame) sceneDirector();
    EXPECT_EQ(quitPostCount(), 1);
}

} // namespace
