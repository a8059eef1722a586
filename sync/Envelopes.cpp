#include "sync/MusicSync.h"

// Cursors and envelopes of one pattern, advanced once per frame from the
// music clock. Positions compare as unsigned numbers, so an event written with
// a negative position never becomes due and blocks the rest of its track.

namespace {
bool validPattern(const MusicSync& store, int32_t pattern) {
    return store.patterns != nullptr && pattern >= 0 && pattern < maxPatterns;
}
} // namespace

void seekCursors(const MusicSync& store, SyncState& state, int32_t pattern) {
    if (!validPattern(store, pattern)) return;
    const SyncPattern& p = store.patterns[pattern];
    int32_t* cursors = state.cursor[pattern];
    for (int32_t t = 0; t < tracksPerPattern; ++t) {
        cursors[t] = -1;
        for (int32_t e = 0; e < p.eventCount[t]; ++e) {
            if (static_cast<uint32_t>(p.events[t][e].position) > state.position) {
                cursors[t] = e;
                break;
            }
        }
    }
}

int32_t nextEvent(const MusicSync& store, SyncState& state, int32_t pattern, int32_t track,
                  SyncEvent& event) {
    if (!validPattern(store, pattern) || track < 0 || track >= tracksPerPattern) return -1;
    const SyncPattern& p = store.patterns[pattern];
    int32_t& cursor = state.cursor[pattern][track];
    const int32_t count = p.eventCount[track];
    if (cursor < 0 || cursor >= count) return -1;
    const SyncEvent& due = p.events[track][cursor];
    // Due only once the clock has passed the event's position.
    if (static_cast<uint32_t>(due.position) >= state.position) return 0;
    event = due;
    cursor = cursor < count - 1 ? cursor + 1 : -1;
    return 1;
}

void updateEnvelopes(const MusicSync& store, SyncState& state, uint32_t position, int32_t pattern) {
    state.position = position;
    for (int32_t t = 0; t < tracksPerPattern; ++t) {
        // The decay step runs first, on the values of the track's last event.
        if (state.stepsLeft[t] != 0) {
            --state.stepsLeft[t];
            state.level[t] = state.level[t] - state.decrement[t];
        }
        SyncEvent event{};
        if (nextEvent(store, state, pattern, t, event) == 1) {
            state.level[t] = static_cast<float>(event.value);
            state.stepsLeft[t] = event.duration;
            // A duration of 0 holds the level: no steps run, so no decrement
            // is needed.
            if (event.duration != 0)
                state.decrement[t] = state.level[t] / static_cast<float>(event.duration);
        }
        state.values[t] = static_cast<int32_t>(state.level[t]);
    }
}

void MusicSync::seekCursors(int32_t pattern) {
    ::seekCursors(*this, state, pattern);
}

int32_t MusicSync::nextEvent(int32_t pattern, int32_t track, SyncEvent& event) {
    return ::nextEvent(*this, state, pattern, track, event);
}

void MusicSync::updateEnvelopes(int32_t* values, int32_t pattern) {
    ::updateEnvelopes(*this, state, clock != nullptr ? clock->position() : state.position, pattern);
    for (int32_t t = 0; t < tracksPerPattern; ++t) values[t] = state.values[t];
}
