#include <gtest/gtest.h>

#include "demo/AssetCheck.h"
#include "demo/Director.h"
#include "demo/SceneOne.h"
#include "demo/SceneTwo.h"
#include "demo_show_support.h"
#include "platform/MessageBox.h"
#include "support/loader_files.h"

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
    // A scroller is refused from its header beyond 512 × 16384 pixels, in any
    // shape: a forged header must not cost seconds and hundreds of megabytes.
    for (auto [w, h] : {std::pair{16384, 4096}, {513, 16384}, {16384, 513}})
        EXPECT_EQ(sizeRejection(w, h, PictureRole::scroller),
                  std::to_string(w) + " × " + std::to_string(h) +
                      ": a scroller may hold at most 512 × 16384 pixels (8388608)");
    for (auto [w, h] : {std::pair{512, 16384}, {16384, 512}, {4096, 2048}})
        EXPECT_EQ(sizeRejection(w, h, PictureRole::scroller), "") << w << " × " << h;
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

// Every file that cannot be shown gets one line naming it and the cause; the
// files the JPEG decoder stopped on are listed together in a single box.
TEST(DemoAssets, BrokenPicturesAreNamedOnStderrAndListedInOneBox) {
    LoaderTempDir dir;
    const LoaderBytes good = loaderEncodeRgbJpeg(16, 8, std::vector<uint32_t>(128, 0x406080));
    const std::string png = dir.path("png.jpg"), cut = dir.path("cut.jpg"),
                      missing = dir.path("missing.jpg"), huge = dir.path("huge.jpg"),
                      fine = dir.path("fine.jpg");
    loaderWriteFile(png, loaderPngStart());
    loaderWriteFile(cut, LoaderBytes(good.begin(), good.begin() + 100));
    loaderWriteFile(huge, loaderWithClaimedSize(good, 16384, 4096));
    loaderWriteFile(fine, good);
    Picture probe;
    const std::string cutMessage = probe.loadChecked(cut.c_str(), nullptr).decoderMessage;
    ASSERT_FALSE(cutMessage.empty());

    std::vector<std::pair<std::string, std::string>> boxes;
    setMessageBoxHook(
        [&](const char* caption, const char* text) { boxes.emplace_back(caption, text); });
    DecoderFailures failures;
    Picture pictures[5];
    testing::internal::CaptureStderr();
    int kept = 0;
    for (int i = 0; const std::string& name : {png, cut, missing, huge, fine})
        kept += loadForRole(pictures[i++], name.c_str(), PictureRole::overlay, failures);
    EXPECT_TRUE(boxes.empty()); // nothing is shown while the pictures load
    showDecoderFailures(failures);
    const std::string said = testing::internal::GetCapturedStderr();
    setMessageBoxHook(nullptr);

    EXPECT_EQ(said, png + ": could not be loaded (not a JPEG file: starts with 0x89 0x50)\n" + cut +
                        ": could not be loaded (file ends after 100 bytes, inside its header)\n" +
                        missing + ": could not be loaded (file doesn't exist)\n" + huge +
                        ": 16384 × 4096 does not fit the 512 × 256 canvas\n");
    EXPECT_EQ(kept, 1);
    EXPECT_TRUE(isOnShow(pictures[4]));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "JPEG Fatal Error");
    EXPECT_EQ(boxes[0].second,
              png + ": Not a JPEG file: starts with 0x89 0x50\n" + cut + ": " + cutMessage);

    // No decoder failure, no box.
    setMessageBoxHook(
        [&](const char* caption, const char* text) { boxes.emplace_back(caption, text); });
    showDecoderFailures({});
    setMessageBoxHook(nullptr);
    EXPECT_EQ(boxes.size(), 1u);
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
