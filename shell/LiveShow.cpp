#include "shell/LiveShow.h"

#include <cstdio>

#include "demo/ShowReplay.h"
#include "platform/Quit.h"
#include "platform/Soundtrack.h"
#include "shell/ShowSeek.h"
#include "shell/ShowTime.h"

LiveShow::LiveShow() : state(freshShow(musicSync)) {}

bool LiveShow::startAt(int64_t step) {
    MusicClock& music = *musicSync.clock;
    FrameClock clock = stepClockOf(music);
    const int64_t last = lastSeekableStep(musicSync, clock, seekLimitSteps());
    if (step > last) {
        std::fprintf(stderr, "demo: --start lies past the show's end at %s\n",
                     formatStepTime(last).c_str());
        return false;
    }
    state = replayTo(musicSync, step, clock);
    clock.setFrame(step);
    music.setVolume(state.volume);
    firstPosition = clock.position();
    if (Soundtrack* soundtrack = playedSoundtrack(&music)) soundtrack->playFrom(*firstPosition);
    return true;
}

void LiveShow::step(Bitmap* target) {
    StepEffects effects;
    if (firstPosition) {
        // The soundtrack may already have played on a little.
        FixedClock at(*firstPosition, *musicSync.clock);
        firstPosition.reset();
        effects = playShowFrame(state, musicSync, at, target);
    } else {
        effects = playShowFrame(state, musicSync, *musicSync.clock, target);
    }
    if (effects.postsQuit) postQuitMessage(0);
}

LiveSteps LiveShow::steps() {
    return LiveSteps{[this] { step(nullptr); }, [this](Bitmap& target) { step(&target); }};
}
