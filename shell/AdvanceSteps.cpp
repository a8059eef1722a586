#include "shell/AdvanceSteps.h"

#include "demo/Assets.h"
#include "display/DisplayDevice.h"
#include "display/Present.h"
#include "platform/Quit.h"
#include "shell/Shell.h"

namespace {

// A step that is not shown: the scenes draw a whole frame every step (they
// clear the canvas first), so drawing it into the canvas's own pixels leaves
// the back buffer, and what the screen shows, as it was.
void stepUnshown() {
    createCanvas();
    frameDrawerInUse()();
}

} // namespace

void advanceSteps(DisplayDevice& display, int32_t steps) {
    if (steps <= 0) {
        display.present();
        return;
    }
    for (int32_t i = 1; i < steps; ++i) {
        stepUnshown();
        if (quitPosted()) return;
    }
    renderFrame(display);
}
