#include "tools/ShowScript.h"

#include "tools/BeatGrid.h"

namespace {

constexpr double beatsPerBar = grid::beatsPerBar;

void addEvent(std::vector<ScriptEvent>& track, double beat, int32_t value, int32_t duration) {
    track.push_back({positionOfBeat(beat), value, duration});
}

// Track 0: the zooming texture flashes with the kicks. The intro glows once
// per bar with the chords, the build and the drop pulse on every beat, and
// the breakdown's snare roll speeds the pulses up into scene two.
std::vector<ScriptEvent> textureTrack() {
    std::vector<ScriptEvent> t;
    for (int32_t bar = grid::intro; bar < grid::build; ++bar)
        addEvent(t, bar * beatsPerBar, 90, 100);
    for (int32_t bar = grid::build; bar < grid::drop; ++bar)
        for (int32_t beat = 0; beat < 4; ++beat)
            addEvent(t, bar * beatsPerBar + beat, 150 + (bar - grid::build) * 9, 26);
    for (int32_t bar = grid::drop; bar < grid::breakdown; ++bar)
        for (int32_t beat = 0; beat < 4; ++beat) addEvent(t, bar * beatsPerBar + beat, 255, 27);
    for (int32_t bar = grid::breakdown; bar < 36; ++bar)
        for (int32_t half = 0; half < 2; ++half) addEvent(t, bar * beatsPerBar + half * 2, 120, 50);
    for (int32_t bar = 36; bar < 38; ++bar)
        for (int32_t beat = 0; beat < 4; ++beat) addEvent(t, bar * beatsPerBar + beat, 160, 24);
    for (int32_t eighth = 0; eighth < 8; ++eighth)
        addEvent(t, 38 * beatsPerBar + eighth * 0.5, 190, 12);
    for (int32_t s = 0; s < 16; ++s) addEvent(t, 39 * beatsPerBar + s * 0.25, 200 + s * 3, 6);
    return t;
}

// Track 2: 27 beats, every other beat from the drop on. The first 12 step the
// eight-picture sequence (its 6th to 9th beats hold the fifth picture), the
// next 13 the thirteen-picture one, the 26th steps it past its end and the
// 27th ends the track.
std::vector<ScriptEvent> sequenceTrack() {
    std::vector<ScriptEvent> t;
    for (int32_t k = 0; k < 27; ++k) addEvent(t, grid::drop * beatsPerBar + 2 * k, 251, 20);
    return t;
}

// Track 3: the clouds rise out of black in steps over the intro and the
// build; the 8th step, in the middle of the build, brings the lines in, so
// they have faded up by the drop. The breakdown darkens them again.
std::vector<ScriptEvent> cloudsTrack() {
    struct Step {
        double bar;
        int32_t level;
    };
    static constexpr Step steps[] = {{0, 20},   {1, 45},   {2, 70},   {3, 95},   {4, 120},
                                     {6, 145},  {8, 170},  {12, 190}, {16, 230}, {28, 205},
                                     {32, 160}, {36, 120}, {38, 80},  {39, 50}};
    std::vector<ScriptEvent> t;
    for (const Step& s : steps) addEvent(t, s.bar * beatsPerBar, s.level, 0);
    return t;
}

// Track 4: the downbeat of the second half starts scene two with a flash of
// the clouds; the clouds then pulse every half bar. From the 32nd event on
// (the second break) the same pulses also drive the row blur: gentle in the
// break, on every beat in the final drop, every half bar while the music
// winds down, and a last long glow a bar before the closing fade.
std::vector<ScriptEvent> sceneTwoTrack() {
    std::vector<ScriptEvent> t;
    addEvent(t, grid::secondHalf * beatsPerBar, 255, 120);
    for (int32_t k = 1; k <= 30; ++k)
        addEvent(t, grid::secondHalf * beatsPerBar + 2 * k, k % 2 ? 100 : 150, 50);
    for (int32_t bar = grid::secondBreak; bar < grid::finalDrop; ++bar)
        for (int32_t half = 0; half < 2; ++half) addEvent(t, bar * beatsPerBar + half * 2, 40, 40);
    for (int32_t bar = grid::finalDrop; bar < grid::windDown; ++bar)
        for (int32_t beat = 0; beat < 4; ++beat)
            addEvent(t, bar * beatsPerBar + beat, beat == 0 ? 72 : 48, 16);
    for (int32_t bar = grid::windDown; bar < grid::outro - 1; ++bar)
        for (int32_t half = 0; half < 2; ++half) addEvent(t, bar * beatsPerBar + half * 2, 56, 40);
    addEvent(t, (grid::outro - 1) * beatsPerBar, 220, 255);
    return t;
}

} // namespace

int64_t positionOfBeat(double beat) {
    int64_t frame = grid::frameOfBeat(beat);
    if (frame < 1) frame = 1;
    return frame * grid::bytesPerFrame;
}

ShowScript composeShowScript() {
    ShowScript script;
    script.tracks[0] = textureTrack();
    script.tracks[2] = sequenceTrack();
    script.tracks[3] = cloudsTrack();
    script.tracks[4] = sceneTwoTrack();
    return script;
}

std::string formatShowScript(const ShowScript& script) {
    static const char* const trackNames[5] = {"texture", "unused", "beats", "clouds", "scenes"};
    std::string text = "show 1\npattern 5\n";
    for (size_t t = 0; t < script.tracks.size(); ++t) {
        text += std::string(trackNames[t]) + " " + std::to_string(script.tracks[t].size()) + "\n";
        for (const ScriptEvent& e : script.tracks[t])
            text += std::to_string(e.position) + " " + std::to_string(e.value) + " " +
                    std::to_string(e.duration) + "\n";
    }
    return text;
}
