#include "tools/Song.h"

#include <algorithm>
#include <cmath>

#include "tools/BeatGrid.h"
#include "tools/DetMath.h"
#include "tools/Synth.h"

namespace {

struct Chord {
    std::vector<int32_t> notes; // the pad's voicing
    int32_t root;               // the bass note
};

// First half: A minor, F major 7, C major (add 9), G major.
const Chord firstHalfChords[4] = {
    {{57, 60, 64, 67}, 33}, {{53, 57, 60, 64}, 29}, {{55, 60, 62, 64}, 36}, {{55, 59, 62, 67}, 31}};
// Second half: F major 7, G major, E minor 7, A minor (add 9), climbing back home.
const Chord secondHalfChords[4] = {
    {{53, 57, 60, 64}, 29}, {{55, 59, 62, 67}, 31}, {{52, 55, 59, 62}, 28}, {{57, 59, 60, 64}, 33}};

const Chord& chordOfBar(int32_t bar) {
    return bar < grid::secondHalf ? firstHalfChords[bar % 4] : secondHalfChords[bar % 4];
}

int64_t at(double bar, double beat = 0.0, double sixteenth = 0.0) {
    return grid::frameOfBeat(bar * grid::beatsPerBar + beat + sixteenth / 4.0);
}

bool within(int32_t bar, int32_t from, int32_t to) {
    return bar >= from && bar < to;
}

// Everything the arrangement adds, on separate buses so that the bass and the
// pads can duck under the kick and the arpeggio can have its echo.
struct Buses {
    explicit Buses(int64_t frames) : drums(frames), bass(frames), pads(frames), arp(frames) {}
    StereoBuffer drums, bass, pads, arp;
    std::vector<int64_t> kicks;
};

void addDrums(Buses& b, int32_t bar) {
    using namespace grid;
    const bool fullKick = within(bar, build, breakdown) || within(bar, secondHalf, secondBreak) ||
                          within(bar, finalDrop, outro);
    if (fullKick) {
        double gain = within(bar, build, drop) ? 0.85 : 1.0;
        for (int32_t beat = 0; beat < 4; ++beat) {
            synth::kick(b.drums, at(bar, beat), gain);
            b.kicks.push_back(at(bar, beat));
        }
    } else if (within(bar, secondBreak, finalDrop)) {
        // The second break keeps a heartbeat: the kick on the downbeat only.
        synth::kick(b.drums, at(bar), 0.7);
        b.kicks.push_back(at(bar));
    }

    const bool backbeat = within(bar, 12, breakdown) || within(bar, secondHalf, secondBreak) ||
                          within(bar, finalDrop, windDown);
    if (backbeat) {
        synth::snare(b.drums, at(bar, 1), 0.55);
        synth::snare(b.drums, at(bar, 3), 0.55);
    }
    // The snare roll of the breakdown's second half: quarters, eighths, then
    // sixteenths, growing louder into the second half of the show.
    if (within(bar, 36, 38)) {
        for (int32_t beat = 0; beat < 4; ++beat)
            synth::snare(b.drums, at(bar, beat), 0.25 + 0.04 * (bar - 36) + 0.01 * beat);
    } else if (bar == 38) {
        for (int32_t eighth = 0; eighth < 8; ++eighth)
            synth::snare(b.drums, at(bar, eighth * 0.5), 0.34 + 0.01 * eighth);
    } else if (bar == 39) {
        for (int32_t s = 0; s < 16; ++s) synth::snare(b.drums, at(bar, 0, s), 0.36 + 0.014 * s);
    }

    // Hats: soft eighths in the intro's second half, off-beats from the build,
    // sixteenths with accents in the drops.
    if (within(bar, 4, build) || within(bar, secondBreak, finalDrop)) {
        for (int32_t eighth = 0; eighth < 8; ++eighth)
            synth::hat(b.drums, at(bar, eighth * 0.5), eighth % 2 ? 0.16 : 0.09, false);
    } else if (within(bar, build, drop) || within(bar, windDown, outro)) {
        for (int32_t beat = 0; beat < 4; ++beat)
            synth::hat(b.drums, at(bar, beat + 0.5), 0.22, false);
    } else if (within(bar, drop, breakdown) || within(bar, secondHalf, secondBreak) ||
               within(bar, finalDrop, windDown)) {
        for (int32_t s = 0; s < 16; ++s) {
            if (s % 4 == 2) {
                synth::hat(b.drums, at(bar, 0, s), 0.2, true);
            } else {
                synth::hat(b.drums, at(bar, 0, s), s % 2 ? 0.1 : 0.16, false);
            }
        }
    }

    // A crash marks the start of each eight-bar phrase in the loud parts.
    if (bar % 8 == 0 && (within(bar, build, breakdown) || within(bar, secondHalf, outro)))
        synth::crash(b.drums, at(bar), bar == secondHalf ? 0.5 : 0.32);
    if (bar == 36) synth::riser(b.drums, at(bar), at(40) - at(36), 0.5);
}

void addBass(Buses& b, int32_t bar) {
    using namespace grid;
    const Chord& chord = chordOfBar(bar);
    const int64_t eighth = grid::framesPerBeat / 2;
    const bool groove = within(bar, build, breakdown) || within(bar, secondHalf, secondBreak) ||
                        within(bar, finalDrop, outro);
    if (groove) {
        // Off-beat eighths with an octave jump at the end of the bar.
        for (int32_t beat = 0; beat < 4; ++beat) {
            int32_t note = chord.root + (beat == 3 ? 12 : 0);
            synth::bass(b.bass, at(bar, beat + 0.5), eighth - 400, note, 0.42);
        }
        if (within(bar, drop, breakdown) || within(bar, finalDrop, windDown)) {
            // In the drops the bass also answers on the last sixteenth.
            synth::bass(b.bass, at(bar, 3, 3), eighth / 2 - 200, chord.root + 7, 0.3);
        }
    } else if (within(bar, breakdown, 36) || within(bar, secondBreak, finalDrop)) {
        synth::bass(b.bass, at(bar), grid::framesPerBar - 2000, chord.root, 0.3);
    }
}

void addPads(Buses& b, int32_t bar) {
    using namespace grid;
    const Chord& chord = chordOfBar(bar);
    // The filter opens slowly over the intro and breathes with each part.
    double from = 1400.0, to = 1900.0, gain = 0.5;
    if (bar < build) {
        from = 350.0 + 150.0 * bar;
        to = from + 150.0;
        gain = 0.75;
    } else if (within(bar, breakdown, secondHalf)) {
        from = 900.0 + 120.0 * (bar - breakdown);
        to = from + 120.0;
    } else if (bar >= outro) {
        from = 1700.0 - 150.0 * (bar - outro);
        to = from - 150.0;
    }
    synth::pad(b.pads, at(bar), grid::framesPerBar, chord.notes, gain, from, to);
}

void addArpeggio(Buses& b, int32_t bar) {
    using namespace grid;
    const Chord& chord = chordOfBar(bar);
    static constexpr int32_t order[8] = {0, 2, 1, 3, 2, 0, 3, 1};
    double gain = 0.0, brightness = 0.6;
    bool sixteenths = true;
    if (within(bar, 4, build)) {
        gain = 0.09 + 0.025 * (bar - 4);
        brightness = 0.25;
        sixteenths = false;
    } else if (within(bar, drop, breakdown) || within(bar, secondHalf, secondBreak)) {
        gain = 0.16;
    } else if (within(bar, breakdown, secondHalf) || within(bar, secondBreak, finalDrop)) {
        gain = 0.12;
        brightness = 0.35;
    } else if (within(bar, finalDrop, windDown)) {
        gain = 0.17;
        brightness = 0.85;
    } else if (within(bar, windDown, songBars)) {
        gain = 0.13 * (1.0 - (bar - windDown) / 16.0);
        brightness = 0.4;
        sixteenths = false;
    }
    if (gain <= 0.0) return;
    const int32_t steps = sixteenths ? 16 : 8;
    for (int32_t s = 0; s < steps; ++s) {
        double sixteenth = sixteenths ? s : s * 2.0;
        int32_t note = chord.notes[static_cast<size_t>(order[s % 8])] + 12;
        if (within(bar, finalDrop, windDown) && s % 8 == 7) note += 12;
        double accent = (s % 4 == 0) ? 1.0 : 0.7;
        double pan = (s % 2 == 0) ? -0.35 : 0.35;
        synth::pluck(b.arp, at(bar, 0, sixteenth), note, gain * accent, pan, brightness);
    }
}

} // namespace

std::vector<int16_t> renderSong(double seconds) {
    int64_t songFrames = grid::frameOfBar(grid::songBars);
    int64_t frames = songFrames;
    if (seconds > 0.0 && seconds < grid::songSeconds)
        frames = static_cast<int64_t>(seconds * grid::sampleRate + 0.5);

    Buses buses(frames);
    for (int32_t bar = 0; bar < grid::songBars; ++bar) {
        if (at(bar) >= frames) break;
        addDrums(buses, bar);
        addBass(buses, bar);
        addPads(buses, bar);
        addArpeggio(buses, bar);
    }
    // Echo of a dotted eighth on the arpeggio, so it rolls across the field.
    synth::pingPongDelay(buses.arp, grid::framesPerBeat * 3 / 4, 0.38, 0.55);

    StereoBuffer mix(frames);
    mix.mixIn(buses.drums, 0.9);
    mix.mixIn(buses.bass, 1.0, synth::duckingCurve(frames, buses.kicks, 0.7));
    mix.mixIn(buses.pads, 0.8, synth::duckingCurve(frames, buses.kicks, 0.35));
    mix.mixIn(buses.arp, 1.0);

    // The outro fades out to silence at the end of the last bar.
    const int64_t fadeStart = grid::frameOfBar(grid::outro);
    for (int64_t i = fadeStart; i < frames; ++i) {
        double t = static_cast<double>(i - fadeStart) / static_cast<double>(songFrames - fadeStart);
        double g = 1.0 - t * t * (3.0 - 2.0 * t);
        mix.left[static_cast<size_t>(i)] *= static_cast<float>(g);
        mix.right[static_cast<size_t>(i)] *= static_cast<float>(g);
    }

    float peak = 0.0f;
    for (size_t i = 0; i < mix.left.size(); ++i)
        peak = std::max({peak, std::fabs(mix.left[i]), std::fabs(mix.right[i])});
    const double scale = peak > 0.0f ? songPeak * 32767.0 / peak : 0.0;
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
    for (size_t i = 0; i < mix.left.size(); ++i) {
        samples[i * 2] = static_cast<int16_t>(std::lround(mix.left[i] * scale));
        samples[i * 2 + 1] = static_cast<int16_t>(std::lround(mix.right[i] * scale));
    }
    return samples;
}
