#include <gtest/gtest.h>

#include "demo/Director.h"
#include "demo/SceneOne.h"
#include "demo/SceneTwo.h"
#include "demo_show_support.h"

namespace {

using demotest::firesIn;

class DemoDirector : public demotest::ShowTest {
  protected:
    // Runs one frame and tells which scene drew it: scene one moves its zoom
    // phase every frame, scene two never touches it.
    int32_t runFrame() {
        const float before = state.sceneOne.zoomPhase;
        sceneDirector();
        return state.sceneOne.zoomPhase != before ? 1 : 2;
    }
};

TEST_F(DemoDirector, SwitchesInTheFrameAfterTrack4sFirstEventAndNeverBack) {
    addEvent(4, firesIn(5), 10, 0);
    addEvent(4, firesIn(8), 10, 0);
    addEvent(4, firesIn(12), 10, 0); // afterwards the cursor is -1
    seek();
    for (int32_t frame = 1; frame <= 5; ++frame) EXPECT_EQ(runFrame(), 1) << "frame " << frame;
    EXPECT_EQ(cursor(4), 1);
    EXPECT_EQ(state.sceneNumber, 1);
    for (int32_t frame = 6; frame <= 30; ++frame) {
        EXPECT_EQ(runFrame(), 2) << "frame " << frame;
        EXPECT_EQ(state.sceneNumber, 2);
    }
    EXPECT_EQ(cursor(4), -1);
    EXPECT_TRUE(state.sceneTwo.started);
}

TEST_F(DemoDirector, FewerThanTwoTrack4EventsKeepSceneOne) {
    addEvent(4, firesIn(3), 200, 5); // cursor 0, then straight to -1
    seek();
    for (int32_t frame = 1; frame <= 20; ++frame) EXPECT_EQ(runFrame(), 1) << "frame " << frame;
    EXPECT_EQ(cursor(4), -1);

    SetUp(); // and with no track-4 event at all
    seek();
    for (int32_t frame = 1; frame <= 5; ++frame) EXPECT_EQ(runFrame(), 1) << "frame " << frame;
    EXPECT_EQ(state.sceneNumber, 1);
}

} // namespace
