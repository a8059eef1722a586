#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One event of the sync script: it fires once the music has played past
// `position` (bytes of decoded 16-bit stereo), sets its track's level to
// `value` and lets it fall back to 0 over `duration` video frames (0 holds it).
struct ScriptEvent {
    int64_t position;
    int32_t value;
    int32_t duration;
};

// The five tracks of the show's single pattern, built on the soundtrack's
// beat grid:
//   0  texture brightness: a pulse on every kick (softer pulses where there is none);
//   1  not read by the show; left empty;
//   2  beats of value 251 that step the two picture sequences;
//   3  the clouds' level over black, held between events; its 8th event
//      switches the line triangles on;
//   4  scene two: its first event starts it, and from its 32nd event until
//      its last the row blur follows this track's pulses.
struct ShowScript {
    std::array<std::vector<ScriptEvent>, 5> tracks;
};

ShowScript composeShowScript();

// The script's text: a label and a count before every list, one event per
// line as "position value duration".
std::string formatShowScript(const ShowScript& script);

// Byte position of a beat of the grid (beat 0 at the song's first sample);
// positions at 0 would never fire, so the very first one moves to the first
// sample frame after it.
int64_t positionOfBeat(double beat);
