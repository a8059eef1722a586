#include "shell/AdvanceSteps.h"

#include "demo/Assets.h"
#include "display/DisplayDevice.h"
#include "platform/Quit.h"
#include "shell/Shell.h"

void advanceSteps(DisplayDevice& display, const LiveSteps& show, int32_t steps) {
    if (steps <= 0) {
        display.present();
        return;
    }
    for (int32_t i = 1; i < steps; ++i) {
        show.stepUnshown();
        if (quitPosted()) return;
    }
    renderFrame(display, canvas, canvasOwnPixels, show.draw);
}
