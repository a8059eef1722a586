#include "shell/StudioSession.h"

#include <algorithm>

#include "demo/ShowReplay.h"

void StudioSession::load(const MusicSync& newStore, const FrameClock& newClock, int64_t lastStep) {
    store = &newStore;
    clock = newClock;
    last = std::max<int64_t>(lastStep, 0);
    replayAndLand(std::clamp<int64_t>(shownStep(), 0, last), false);
}

void StudioSession::seek(int64_t step) {
    replayAndLand(std::clamp<int64_t>(step, 0, last), true);
}

void StudioSession::replayAndLand(int64_t step, bool moveSound) {
    if (!store) return;
    // Stepping on by one from a frame the clock drew needs no replay: the
    // state is already the one a replay would give.
    const bool continues = exact && pending < 0 && step == shown + 1;
    if (!continues) state = replayTo(*store, step, clock);
    pending = step;
    endingAt.reset();
    clock.setFrame(step);
    sound.setVolume(state.volume);
    if (moveSound) sound.playFrom(clock.position());
}

void StudioSession::stepBy(int64_t steps) {
    pause();
    seekBy(steps);
}

void StudioSession::togglePause() {
    if (isPaused)
        resume();
    else
        pause();
}

void StudioSession::pause() {
    if (isPaused) return;
    isPaused = true;
    sound.pause();
}

void StudioSession::resume() {
    if (!isPaused) return;
    // At the end the show starts over rather than standing still.
    if (pending < 0 && shown >= last) seek(0);
    isPaused = false;
    sound.resume();
}

void StudioSession::drawFrame(Bitmap& canvas) {
    if (!store) return;
    if (pending < 0 && (isPaused || shown >= last)) {
        if (!isPaused) pause();
        if (held.size() == static_cast<size_t>(canvas.width) * static_cast<size_t>(canvas.height))
            std::copy(held.begin(), held.end(), canvas.pixels);
        return;
    }
    StepEffects effects;
    if (pending >= 0) {
        clock.setFrame(pending);
        effects = stepShow(state, *store, clock.position(), &canvas);
        shown = pending;
        pending = -1;
        exact = true;
    } else {
        const uint32_t position = endingAt ? *endingAt : sound.position();
        endingAt.reset();
        effects = stepShow(state, *store, position, &canvas);
        ++shown;
        exact = false;
    }
    if (effects.setsVolume) sound.setVolume(state.volume);
    if (effects.postsQuit) pause();
    hold(canvas);
}

void StudioSession::stepUnshown() {
    if (!store || isPaused || pending >= 0 || endingAt || shown + 1 >= last) return;
    const uint32_t position = sound.position();
    const ShowState before = state;
    const StepEffects effects = stepShow(state, *store, position, nullptr);
    if (effects.postsQuit) {
        state = before;
        endingAt = position;
        return;
    }
    ++shown;
    exact = false;
    if (effects.setsVolume) sound.setVolume(state.volume);
}

void StudioSession::hold(const Bitmap& canvas) {
    held.assign(canvas.pixels, canvas.pixels + static_cast<size_t>(canvas.width) *
                                                   static_cast<size_t>(canvas.height));
}
