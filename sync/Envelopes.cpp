#include "sync/MusicSync.h"

// Cursors and envelopes of one pattern, advanced once per frame from the
// music clock. Positions compare as unsigned numbers, so an event written with
// a negative position never becomes due and blocks the rest of its track.

namespace {
bool validPattern(const SyncPattern* patterns, int32_t pattern) {
    return patterns != nullptr && pattern >= 0 && pattern < maxPatterns;
}
} // namespace

void MusicSync::seekCursors(int32_t pattern) {
    if (!validPattern(patterns, pattern)) return;
    SyncPattern& p = patterns[pattern];
    for (int32_t t = 0; t < tracksPerPattern; ++t) {
        p.cursor[t] = -1;
        for (int32_t e = 0; e < p.eventCount[t]; ++e) {
            if (static_cast<uint32_t>(p.events[t][e].position) > position) {
                p.cursor[t] = e;
                break;
            }
        }
    }
}

int32_t MusicSync::nextEvent(int32_t pattern, int32_t track, SyncEvent& event) {
    if (!validPattern(patterns, pattern) || track < 0 || track >= tracksPerPattern) return -1;
    SyncPattern& p = patterns[pattern];
    int32_t& cursor = p.cursor[track];
    const int32_t count = p.eventCount[track];
    if (cursor < 0 || cursor >= count) return -1;
    const SyncEvent& due = p.events[track][cursor];
    // Due only once the clock has passed the event's position.
    if (static_cast<uint32_t>(due.position) >= position) return 0;
    event = due;
    cursor = cursor < count - 1 ? cursor + 1 : -1;
    return 1;
}

void MusicSync::updateEnvelopes(int32_t* values, int32_t pattern) {
    if (clock != nullptr) position = clock->position();
    for (int32_t t = 0; t < tracksPerPattern; ++t) {
        // The decay step runs first, on the values of the track's last event.
        if (stepsLeft[t] != 0) {
            --stepsLeft[t];
            level[t] = level[t] - decrement[t];
        }
        SyncEvent event{};
        if (nextEvent(pattern, t, event) == 1) {
            level[t] = static_cast<float>(event.value);
            stepsLeft[t] = event.duration;
            // A duration of 0 holds the level: no steps run, so no decrement
            // is needed.
            if (event.duration != 0) decrement[t] = level[t] / static_cast<float>(event.duration);
        }
        values[t] = static_cast<int32_t>(level[t]);
    }
}
