#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Two channels of float samples at the grid's rate, into which instruments add
// their notes. Notes that reach past the end are cut there.
class StereoBuffer {
  public:
    explicit StereoBuffer(int64_t frames);

    int64_t frames() const { return static_cast<int64_t>(left.size()); }
    void add(int64_t frame, double l, double r) {
        if (frame < 0 || frame >= frames()) return;
        left[static_cast<size_t>(frame)] += static_cast<float>(l);
        right[static_cast<size_t>(frame)] += static_cast<float>(r);
    }
    // Adds `other` × `gain`, frame by frame, each frame also scaled by
    // `perFrameGain` when that is not empty.
    void mixIn(const StereoBuffer& other, double gain, const std::vector<float>& perFrameGain = {});

    std::vector<float> left;
    std::vector<float> right;
};

// The instruments of the soundtrack. Each adds one note (or hit) starting at
// frame `start`; every random part is seeded from the start frame, so a note
// sounds the same whatever else is rendered.
namespace synth {

double noteFrequency(int32_t midiNote);

void kick(StereoBuffer& out, int64_t start, double gain);
void snare(StereoBuffer& out, int64_t start, double gain);
void hat(StereoBuffer& out, int64_t start, double gain, bool open);
void crash(StereoBuffer& out, int64_t start, double gain);
// A filtered saw bass with a plucked filter envelope.
void bass(StereoBuffer& out, int64_t start, int64_t length, int32_t note, double gain);
// A chord of detuned saws through a low-pass whose cutoff moves from
// `cutoffFrom` to `cutoffTo` over the chord; soft attack and release.
void pad(StereoBuffer& out, int64_t start, int64_t length, const std::vector<int32_t>& notes,
         double gain, double cutoffFrom, double cutoffTo);
// A short bright pluck, placed in the stereo field by `pan` (-1 left .. 1 right).
void pluck(StereoBuffer& out, int64_t start, int32_t note, double gain, double pan,
           double brightness);
// Band-passed noise sweeping upwards over `length`, growing louder.
void riser(StereoBuffer& out, int64_t start, int64_t length, double gain);

// Ping-pong echo in place: each channel's echo lands in the other one.
void pingPongDelay(StereoBuffer& bus, int64_t delayFrames, double feedback, double wet);
// The gain curve of a bus that ducks under each kick and recovers within a beat.
std::vector<float> duckingCurve(int64_t frames, const std::vector<int64_t>& kicks, double depth);

} // namespace synth
