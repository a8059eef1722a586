#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "demo/SceneOne.h"
#include "demo_show_support.h"
#include "gfx_test_support.h"

namespace {

using demotest::firesIn;

class DemoSceneOne : public demotest::ShowTest {
  protected:
    void runFrames(int32_t count) {
        for (int32_t i = 0; i < count; ++i) sceneOne();
    }
};

// Cluvo picture i adds i + 1 to the blue byte of the top-left pixels,
// giraffe picture j adds j + 1 to the green byte: pixel (0, 0) tells which of
// each is on show (0 = none).
struct Shown {
    uint32_t cluvo, giraffe;
};
Shown shownAtOrigin() {
    const uint32_t p = canvas.pixels[0];
    return {p & 0xFF, (p >> 8) & 0xFF};
}

TEST_F(DemoSceneOne, SequencesStepOnBeatsWithinTheirCursorRanges) {
    for (uint32_t i = 0; i < 8; ++i) demotest::makeSolid(cluvoPictures[i], 2, 1, i + 1);
    for (uint32_t j = 0; j < 13; ++j) demotest::makeSolid(giraffePictures[j], 2, 1, (j + 1) << 8);
    // Event 0 (frame 2) is not a beat; events 1..29 are beats on even frames,
    // so after frame 2c track 2's cursor is c (and -1 after frame 60).
    addEvent(2, firesIn(2), 100, 1);
    for (int32_t c = 2; c <= 30; ++c) addEvent(2, firesIn(2 * c), beatValue, 1);
    seek();

    struct Expected {
        int32_t frame, cluvoIndex, giraffeIndex;
        uint32_t cluvoShown, giraffeShown;
    };
    const Expected table[] = {
        {1, -1, -1, 0, 0},
        {2, -1, -1, 0, 0}, // cursor 1 without a beat: nothing yet
        {4, 0, -1, 1, 0},  // first beat: Cluvo01
        {5, 0, -1, 1, 0},  // shown until the next beat
        {10, 3, -1, 4, 0},
        {12, 3, -1, 4, 0}, // cursor 6..9: the first sequence lets the beat
                           // pass
        {18, 3, -1, 4, 0},
        {20, 4, -1, 5, 0},
        {26, 7, 0, 8, 1}, // cursor 13: both sequences step
        {27, 7, 0, 8, 1},
        {28, 8, 1, 0, 2}, // past the last cluvo picture
        {50, 19, 12, 0, 13},
        {52, 20, 13, 0, 0}, // past the last giraffe picture
        {58, 23, 16, 0, 0},
        {60, 23, 16, 0, 0}, // track 2 done (cursor -1): nothing steps or shows
    };
    int32_t frame = 0;
    for (const Expected& e : table) {
        runFrames(e.frame - frame);
        frame = e.frame;
        EXPECT_EQ(state.sceneOne.cluvoIndex, e.cluvoIndex) << "frame " << frame;
        EXPECT_EQ(state.sceneOne.giraffeIndex, e.giraffeIndex) << "frame " << frame;
        EXPECT_EQ(shownAtOrigin().cluvo, e.cluvoShown) << "frame " << frame;
        EXPECT_EQ(shownAtOrigin().giraffe, e.giraffeShown) << "frame " << frame;
        EXPECT_EQ(state.sceneOne.giraffeSeen, frame >= 26 ? 1 : 0) << "frame " << frame;
    }
    EXPECT_EQ(cursor(2), -1);
}

TEST_F(DemoSceneOne, BeatTimerRestartsAt899AndStopsAtZero) {
    addEvent(2, firesIn(1), beatValue, 1);
    addEvent(2, firesIn(100), beatValue, 1); // while the timer still runs
    // A decay passing through 251 is a beat too: 255 - 255/64 = 251.01.
    addEvent(2, firesIn(400), 255, 64);
    seek();
    // Per-frame phase speeds, P.x P.y Q.x Q.y R.x R.y: π / (base - timer).
    const double pi = 3.1415927f;
    const double beatSpeeds[6] = {pi / 9, pi / 8, pi / 29, pi / 112, pi / 13, pi / 6};
    const double restSpeeds[6] = {pi / 908, pi / 907, pi / 928, pi / 1011, pi / 912, pi / 905};
    auto phases = [this] {
        const SceneOneState& s = state.sceneOne;
        return std::vector<double>{s.phasePx, s.phasePy, s.phaseQx,
                                   s.phaseQy, s.phaseRx, s.phaseRy};
    };
    auto expectSpeeds = [&](const double(&speeds)[6]) {
        const std::vector<double> before = phases();
        runFrames(1);
        const std::vector<double> after = phases();
        for (int32_t i = 0; i < 6; ++i)
            EXPECT_NEAR(after[i] - before[i], speeds[i], 2e-6) << "coordinate " << i;
    };

    expectSpeeds(beatSpeeds);
    EXPECT_EQ(state.sceneOne.beatTimer, 899.0f);
    runFrames(1);
    EXPECT_EQ(state.sceneOne.beatTimer, 894.0f);
    runFrames(98);
    EXPECT_EQ(state.sceneOne.beatTimer, 899.0f);
    runFrames(179);
    EXPECT_EQ(state.sceneOne.beatTimer, 4.0f);
    runFrames(1);
    EXPECT_EQ(state.sceneOne.beatTimer, 0.0f);
    expectSpeeds(restSpeeds);
    EXPECT_EQ(state.sceneOne.beatTimer, 0.0f);

    runFrames(400 - 281); // frame 400: value 255, no beat
    EXPECT_EQ(state.sceneOne.beatTimer, 0.0f);
    runFrames(1);
    EXPECT_EQ(state.sceneOne.beatTimer, 899.0f);
}

// Whether every pixel outside x 176..336, y 58..218 is black (row segments
// compared in bulk, which keeps the check cheap in the sanitizer build).
bool blackOutsideTriangleBox() {
    static const uint32_t black[512] = {};
    for (int32_t y = 0; y < 256; ++y) {
        const uint32_t* row = canvas.pixels + y * 512;
        if (y < 58 || y > 218) {
            if (std::memcmp(row, black, sizeof black) != 0) return false;
        } else if (std::memcmp(row, black, 176 * 4) != 0 ||
                   std::memcmp(row + 337, black, 175 * 4) != 0) {
            return false;
        }
    }
    return true;
}

bool litWithin(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    for (int32_t y = top; y <= bottom; ++y)
        for (int32_t x = left; x <= right; ++x)
            if (canvas.pixels[y * 512 + x] != 0) return true;
    return false;
}

TEST_F(DemoSceneOne, LinesSwitchOnWithTrack3AndFadeInAndOut) {
    for (int32_t i = 1; i <= 8; ++i) addEvent(3, firesIn(i), 0, 0);
    addEvent(3, firesIn(600), 0, 0); // afterwards the cursor is -1
    seek();
    runFrames(7);
    EXPECT_EQ(state.sceneOne.linesOn, 0);
    EXPECT_EQ(state.sceneOne.lineBrightness, 0.0f);
    runFrames(1); // cursor 8: lines on, drawn at brightness 0
    EXPECT_EQ(state.sceneOne.linesOn, 1);
    EXPECT_TRUE(canvasIsBlack());
    EXPECT_EQ(state.sceneOne.lineBrightness, 0.5f);
    runFrames(508);
    EXPECT_EQ(state.sceneOne.lineBrightness, 254.5f);
    runFrames(1);
    EXPECT_EQ(state.sceneOne.lineBrightness, 255.0f);
    runFrames(100); // past frame 600: the cursor is -1, the latch holds
    EXPECT_EQ(cursor(3), -1);
    EXPECT_EQ(state.sceneOne.lineBrightness, 255.0f);
    EXPECT_FALSE(canvasIsBlack());

    state.sceneOne.giraffeSeen = 1; // the second sequence has begun
    runFrames(1);
    EXPECT_EQ(state.sceneOne.lineBrightness, 253.0f);
    runFrames(126);
    EXPECT_EQ(state.sceneOne.lineBrightness, 1.0f);
    runFrames(1);
    EXPECT_EQ(state.sceneOne.lineBrightness, 0.0f);
    runFrames(1);
    EXPECT_TRUE(canvasIsBlack()); // still drawn, adding nothing
}

TEST_F(DemoSceneOne, TrianglesStayInsideTheirBoxWhateverTheBeats) {
    std::mt19937 random(7);
    int32_t frame = 0;
    for (int32_t i = 0; i < 150; ++i) {
        frame += 1 + static_cast<int32_t>(random() % 12);
        addEvent(2, firesIn(frame), beatValue, 1);
    }
    seek();
    state.sceneOne.linesOn = 1;
    bool reachedLeft = false, reachedRight = false, reachedTop = false, reachedBottom = false;
    for (int32_t f = 0; f < 1000; ++f) {
        state.sceneOne.lineBrightness = 255.0f;
        sceneOne();
        ASSERT_TRUE(blackOutsideTriangleBox()) << "frame " << f;
        // The corners do swing out to the edges of their circles.
        reachedLeft = reachedLeft || litWithin(176, 58, 178, 218);
        reachedRight = reachedRight || litWithin(334, 58, 336, 218);
        reachedTop = reachedTop || litWithin(176, 58, 336, 60);
        reachedBottom = reachedBottom || litWithin(176, 216, 336, 218);
    }
    EXPECT_TRUE(reachedLeft && reachedRight && reachedTop && reachedBottom);
}

// With the clouds, the texture and both sequences' pictures covering the
// canvas, the frame must be the layers drawn one after the other: clouds
// cross-faded onto black, the zoom added, then the first and second pictures.
TEST_F(DemoSceneOne, FramesAreTheLayersDrawnInTurn) {
    std::mt19937 rng(61);
    auto makeNoise = [&rng](Picture& picture, int32_t width, int32_t height) {
        picture.createGuarded(width, height);
        for (int32_t i = 0; i < width * height; ++i)
            picture.pixels[i] = static_cast<uint32_t>(rng()) & 0x7F7F7F7Fu;
        picture.x = picture.y = 0;
    };
    makeNoise(cloudsPicture, 512, 256);
    makeNoise(texturePicture, 512, 512);
    for (Picture& p : cluvoPictures) makeNoise(p, 512, 256);
    for (Picture& p : giraffePictures) makeNoise(p, 512, 256);
    addEvent(0, firesIn(1), 230, 0);
    addEvent(3, firesIn(1), 170, 0);
    addEvent(2, firesIn(2), 100, 1);
    for (int32_t c = 2; c <= 16; ++c) addEvent(2, firesIn(2 * c), beatValue, 1);
    seek();

    gfxtest::TestBitmap expected(canvasWidth, canvasHeight);
    int32_t bothShown = 0;
    for (int32_t frame = 1; frame <= 32; ++frame) {
        runFrames(1);
        const SceneOneState& s = state.sceneOne;
        expected.fill(0);
        cloudsPicture.blend(expected, state.sync.values[3]);
        const auto zoom = static_cast<float>(std::cos(static_cast<double>(s.zoomPhase)) + 2.0);
        rotozoom(expected, texturePicture, 0.0f, zoom, 0.0f, 0.0f, state.sync.values[0]);
        const bool first = cursor(2) >= 1 && s.cluvoIndex >= 0 && s.cluvoIndex <= 7;
        const bool second = cursor(2) >= 13 && s.giraffeIndex >= 0 && s.giraffeIndex <= 12;
        if (first) cluvoPictures[s.cluvoIndex].add(expected);
        if (second) giraffePictures[s.giraffeIndex].add(expected);
        bothShown += first && second ? 1 : 0;
        ASSERT_EQ(std::memcmp(canvas.pixels, expected.pixels, sizeof(uint32_t) * 512 * 256), 0)
            << "frame " << frame;
    }
    EXPECT_GT(bothShown, 0);
    EXPECT_GT(state.sync.values[0], 0);
    EXPECT_GT(state.sync.values[3], 0);
}

TEST_F(DemoSceneOne, CloudsAndTextureFollowTheirEnvelopes) {
    demotest::makeSolid(cloudsPicture, 512, 256, 0x00404040);
    demotest::makeSolid(texturePicture, 512, 4, 0x00808080);
    seek();
    runFrames(1); // e0 = e3 = 0
    EXPECT_TRUE(canvasIsBlack());

    addEvent(3, firesIn(2), 255, 0);
    seek();
    runFrames(1);
    const uint32_t cloudsOnly = pixelAt(300, 200);
    EXPECT_NE(cloudsOnly, 0u);

    addEvent(0, firesIn(3), 128, 0);
    seek();
    runFrames(1);
    EXPECT_GT(pixelAt(300, 200) & 0xFF, cloudsOnly & 0xFF);
}

} // namespace
