#include "demo/SceneTwo.h"

#include "demo/AssetCheck.h"
#include "demo/Assets.h"
#include "demo/Director.h"
#include "gfx/BoxBlur.h"
#include "platform/Quit.h"
#include "sync/MusicSync.h"

SceneTwoState sceneTwoState;

namespace {

constexpr double scrollSpeed = 0.4; // rows per frame
constexpr double fadeSpeed = 0.4;   // fade level per frame
// The fade starts once the scroller's centre is this far above the top.
constexpr float fadeStartRow = -900.0f;
constexpr double volumePerLevel = 100.0 / 255.0;
constexpr int32_t blurFromCursor = 32; // blur once track 4's 32nd event has fired

void drawScroller(const SceneTwoState& s) {
    if (!isOnShow(scrollPicture)) return;
    scrollPicture.x = 256;
    scrollPicture.y = static_cast<int32_t>(s.scrollY);
    scrollPicture.blitScaledClipped(canvas, 1.0f, 1.0f);
}

float startRow(int32_t scrollHeight) {
    // The scroller's top edge starts on row 256, just below the canvas.
    return static_cast<float>(scrollHeight / 2 + 256);
}

float scrolledUp(float scrollY) {
    return static_cast<float>(static_cast<double>(scrollY) - scrollSpeed);
}

void fadeToEnd(SceneTwoState& s) {
    const double level = static_cast<double>(s.fadeLevel) + fadeSpeed;
    if (level > 255.0) {
        s.fadeLevel = 255.0f;
        // The scene keeps being called until the main loop takes the quit, so
        // it is posted only the first time the fade completes.
        if (!s.quitSent) {
            s.quitSent = true;
            postQuitMessage(0);
        }
    } else {
        s.fadeLevel = static_cast<float>(level);
    }
    musicSync.setVolume(
        static_cast<int32_t>((255.0 - static_cast<double>(s.fadeLevel)) * volumePerLevel));
    if (isOnShow(softPicture)) {
        softPicture.x = 0;
        softPicture.y = 0;
        softPicture.blend(canvas, static_cast<int32_t>(s.fadeLevel));
    }
}

} // namespace

void sceneTwo() {
    SceneTwoState& s = sceneTwoState;
    musicSync.updateEnvelopes(envelopeValues, 0);
    const int32_t e4 = envelopeValues[4];
    const int32_t cursor4 = patternZeroCursor(4);

    if (!s.started) {
        s.scrollY = startRow(scrollPicture.height);
        s.started = true;
    }

    canvas.fill(0);
    drawScroller(s);
    if (cursor4 >= blurFromCursor) boxBlurRows(canvas, e4 + 1);
    if (isOnShow(cloudsPicture)) {
        cloudsPicture.x = 0;
        cloudsPicture.y = 0;
        cloudsPicture.addFactor(canvas, e4);
    }

    s.scrollY = scrolledUp(s.scrollY);
    if (s.scrollY < fadeStartRow) s.fadeOn = 1;
    if (s.fadeOn) fadeToEnd(s);
}

int32_t sceneTwoLength(int32_t scrollHeight) {
    float scrollY = startRow(scrollHeight);
    float fadeLevel = 0.0f;
    bool fadeOn = false;
    for (int32_t frame = 1;; ++frame) {
        scrollY = scrolledUp(scrollY);
        if (scrollY < fadeStartRow) fadeOn = true;
        if (!fadeOn) continue;
        const double level = static_cast<double>(fadeLevel) + fadeSpeed;
        if (level > 255.0) return frame;
        fadeLevel = static_cast<float>(level);
    }
}
