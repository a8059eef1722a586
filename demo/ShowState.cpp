#include "demo/ShowState.h"

#include "demo/Director.h"

ShowState freshShow(const MusicSync& store) {
    ShowState state;
    seekCursors(store, state.sync, 0);
    return state;
}

StepEffects stepShow(ShowState& state, const MusicSync& store, uint32_t position, Bitmap* canvas) {
    return sceneDirector(state, store, position, canvas);
}

StepEffects playShowFrame(ShowState& state, const MusicSync& store, MusicClock& clock,
                          Bitmap* canvas) {
    const StepEffects effects = stepShow(state, store, clock.position(), canvas);
    if (effects.setsVolume) clock.setVolume(state.volume);
    return effects;
}
