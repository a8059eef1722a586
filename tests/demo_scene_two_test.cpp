#include <gtest/gtest.h>

#include "demo/SceneTwo.h"
#include "demo_show_support.h"

namespace {

using demotest::firesIn;

class DemoSceneTwo : public demotest::ShowTest {};

bool rowIsBlack(int32_t y) {
    for (int32_t x = 0; x < 512; ++x)
        if (canvas.pixels[y * 512 + x] != 0) return false;
    return true;
}

TEST_F(DemoSceneTwo, ScrollerStartsJustBelowTheCanvasAndRisesIntoView) {
    demotest::makeSolid(scrollPicture, 6, 11, 0x00FFFFFF);
    seek();
    sceneTwo();
    EXPECT_TRUE(canvasIsBlack());
    sceneTwo(); // scrollY 260.6: the top edge on row 255
    EXPECT_TRUE(rowIsBlack(254));
    for (int32_t x = 250; x < 262; ++x)
        EXPECT_EQ(pixelAt(x, 255), x >= 253 && x < 259 ? 0x00FFFFFFu : 0u) << "x " << x;
    // Rows rise by 0.4 per frame: 2.5 frames per row.
    for (int32_t frame = 3; frame <= 12; ++frame) sceneTwo();
    EXPECT_TRUE(rowIsBlack(250));
    EXPECT_EQ(pixelAt(253, 251), 0x00FFFFFFu);
}

TEST_F(DemoSceneTwo, BlurOnlyFromTrack4s32ndEventToBeforeItsLast) {
    demotest::makeSolid(scrollPicture, 6, 600, 0x00FFFFFF);
    for (int32_t frame = 1; frame <= 33; ++frame) addEvent(4, firesIn(frame), 3, 0);
    seek();
    sceneTwo();
    state.sceneTwo.scrollY = 128.0f; // the scroller now covers every row
    for (int32_t frame = 2; frame <= 33; ++frame) {
        sceneTwo();
        // A blur over 4 pixels spreads the scroller's left edge (column 253)
        // to the pixel beside it.
        const bool blurred = pixelAt(252, 100) != 0;
        EXPECT_EQ(blurred, frame == 32) << "frame " << frame << ", cursor " << cursor(4);
    }
    EXPECT_EQ(cursor(4), -1);
}

TEST_F(DemoSceneTwo, ClosingFadeLowersTheVolumeAndPostsTheQuitOnce) {
    demotest::makeSolid(softPicture, 64, 32, 0x00C8C8C8);
    seek();
    sceneTwo();
    state.sceneTwo.scrollY = -899.5f;
    sceneTwo(); // -899.9: not yet
    EXPECT_EQ(state.sceneTwo.fadeOn, 0);
    EXPECT_TRUE(clock.volumes.empty());

    sceneTwo(); // -900.3: the first fading frame
    EXPECT_EQ(state.sceneTwo.fadeOn, 1);
    EXPECT_FLOAT_EQ(state.sceneTwo.fadeLevel, 0.4f);
    ASSERT_EQ(clock.volumes.size(), 1u);
    EXPECT_EQ(clock.volumes[0], 99);
    EXPECT_TRUE(canvasIsBlack()); // alpha 0

    for (int32_t fading = 2; fading <= 637; ++fading) sceneTwo();
    EXPECT_LT(state.sceneTwo.fadeLevel, 255.0f);
    EXPECT_EQ(quitPostCount(), 0);
    sceneTwo(); // the 638th fading frame
    EXPECT_EQ(quitPostCount(), 1);
    EXPECT_EQ(quitExitCode(), 0);
    EXPECT_EQ(state.sceneTwo.fadeLevel, 255.0f);
    EXPECT_EQ(clock.volumes.back(), 0);
    EXPECT_NE(pixelAt(10, 10), 0u);

    // The loop may draw again before it takes the quit: no second post.
    for (int32_t i = 0; i < 5; ++i) sceneTwo();
    EXPECT_EQ(quitPostCount(), 1);
    EXPECT_EQ(state.sceneTwo.fadeLevel, 255.0f);

    ASSERT_EQ(clock.volumes.size(), 643u);
    for (size_t i = 1; i < clock.volumes.size(); ++i)
        EXPECT_LE(clock.volumes[i], clock.volumes[i - 1]);
}

TEST_F(DemoSceneTwo, CloudsAreAddedWithTrack4sEnvelope) {
    demotest::makeSolid(cloudsPicture, 64, 32, 0x00FFFFFF);
    addEvent(4, firesIn(2), 128, 0);
    seek();
    sceneTwo();
    EXPECT_TRUE(canvasIsBlack());
    sceneTwo();
    EXPECT_EQ(pixelAt(0, 0), pixelAt(63, 31));
    EXPECT_NE(pixelAt(0, 0), 0u);
    EXPECT_EQ(pixelAt(64, 0), 0u);
}

} // namespace
