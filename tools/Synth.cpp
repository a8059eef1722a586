#include "tools/Synth.h"

#include <algorithm>

#include "tools/BeatGrid.h"
#include "tools/DetMath.h"
#include "tools/Rng.h"

StereoBuffer::StereoBuffer(int64_t frames)
    : left(static_cast<size_t>(frames), 0.0f), right(static_cast<size_t>(frames), 0.0f) {}

void StereoBuffer::mixIn(const StereoBuffer& other, double gain,
                         const std::vector<float>& perFrameGain) {
    size_t n = std::min(left.size(), other.left.size());
    for (size_t i = 0; i < n; ++i) {
        double g = perFrameGain.empty() ? gain : gain * perFrameGain[i];
        left[i] += static_cast<float>(other.left[i] * g);
        right[i] += static_cast<float>(other.right[i] * g);
    }
}

namespace synth {

namespace {

constexpr double rate = grid::sampleRate;

int64_t seconds(double s) {
    return static_cast<int64_t>(s * rate);
}

// Band-limited saw: the naive ramp with its jump smoothed over one sample.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct SawOscillator {
    double phase = 0.0;
    double step = 0.0;
    double next() {
        double value = 2.0 * phase - 1.0 - polyBlep(phase, step);
        phase += step;
        if (phase >= 1.0) phase -= 1.0;
        return value;
    }
};

// State-variable low-pass; the cutoff stays well below a sixth of the rate,
// where this form is stable.
struct LowPass {
    double low = 0.0, band = 0.0;
    double f = 0.1, damping = 1.0;
    void set(double cutoff, double resonance) {
        f = 2.0 * detmath::sin(detmath::pi * std::min(cutoff, rate / 7.0) / rate);
        damping = 2.0 - 2.0 * resonance;
    }
    double run(double in) {
        low += f * band;
        double high = in - low - damping * band;
        band += f * high;
        return low;
    }
    double bandPass() const { return band; }
};

// One-pole high-pass for noise colours.
struct HighPass {
    double previousIn = 0.0, previousOut = 0.0, a = 0.9;
    explicit HighPass(double cutoff) { a = 1.0 / (1.0 + detmath::twoPi * cutoff / rate); }
    double run(double in) {
        double out = a * (previousOut + in - previousIn);
        previousIn = in;
        previousOut = out;
        return out;
    }
};

uint64_t seedFor(int64_t start, uint64_t instrument) {
    return static_cast<uint64_t>(start) * 0x9E3779B97F4A7C15ull + instrument;
}

} // namespace

double noteFrequency(int32_t midiNote) {
    return 440.0 * detmath::exp2((midiNote - 69) / 12.0);
}

void kick(StereoBuffer& out, int64_t start, double gain) {
    const int64_t length = seconds(0.5);
    double phase = 0.0;
    double decay = 1.0;
    const double decayStep = detmath::exp(-7.5 / rate);
    // Two pitch drops: a fast one for the attack's knock, a slower one for the body.
    double sweep = 1.0, knock = 1.0;
    const double sweepStep = detmath::exp(-30.0 / rate);
    const double knockStep = detmath::exp(-220.0 / rate);
    for (int64_t i = 0; i < length; ++i) {
        double frequency = 45.0 + 110.0 * sweep + 380.0 * knock;
        phase += frequency / rate;
        if (phase >= 1.0) phase -= 1.0;
        double fadeIn = std::min(1.0, i / 20.0);
        double v = detmath::sin(detmath::twoPi * phase) * decay * gain * fadeIn;
        out.add(start + i, v, v);
        decay *= decayStep;
        sweep *= sweepStep;
        knock *= knockStep;
    }
}

void snare(StereoBuffer& out, int64_t start, double gain) {
    Rng rng(seedFor(start, 2));
    const int64_t length = seconds(0.32);
    HighPass colourL(900.0), colourR(900.0);
    double tonePhase = 0.0;
    double toneDecay = 1.0, noiseDecay = 1.0;
    const double toneStep = detmath::exp(-28.0 / rate);
    const double noiseStep = detmath::exp(-13.0 / rate);
    for (int64_t i = 0; i < length; ++i) {
        tonePhase += 188.0 / rate;
        if (tonePhase >= 1.0) tonePhase -= 1.0;
        double tone = detmath::sin(detmath::twoPi * tonePhase) * toneDecay * 0.55;
        double nl = colourL.run(rng.signedUniform()) * noiseDecay;
        double nr = colourR.run(rng.signedUniform()) * noiseDecay;
        double fadeIn = std::min(1.0, i / 30.0);
        out.add(start + i, (tone + nl * 0.8) * gain * fadeIn, (tone + nr * 0.8) * gain * fadeIn);
        toneDecay *= toneStep;
        noiseDecay *= noiseStep;
    }
}

void hat(StereoBuffer& out, int64_t start, double gain, bool open) {
    Rng rng(seedFor(start, open ? 4 : 3));
    const int64_t length = seconds(open ? 0.35 : 0.07);
    HighPass first(6500.0), second(6500.0);
    double decay = 1.0;
    const double step = detmath::exp(-(open ? 11.0 : 60.0) / rate);
    for (int64_t i = 0; i < length; ++i) {
        double v = second.run(first.run(rng.signedUniform())) * decay * gain;
        // A little to the right, so the hats sit apart from the snare.
        out.add(start + i, v * 0.78, v);
        decay *= step;
    }
}

void crash(StereoBuffer& out, int64_t start, double gain) {
    Rng rng(seedFor(start, 5));
    const int64_t length = seconds(2.2);
    HighPass leftFilter(4200.0), rightFilter(4800.0);
    double decay = 1.0;
    const double step = detmath::exp(-2.2 / rate);
    for (int64_t i = 0; i < length; ++i) {
        double fadeIn = std::min(1.0, i / 40.0);
        double l = leftFilter.run(rng.signedUniform()) * decay * gain * fadeIn;
        double r = rightFilter.run(rng.signedUniform()) * decay * gain * fadeIn;
        out.add(start + i, l, r);
        decay *= step;
    }
}

void bass(StereoBuffer& out, int64_t start, int64_t length, int32_t note, double gain) {
    const double frequency = noteFrequency(note);
    SawOscillator a, b;
    a.step = frequency / rate;
    b.step = frequency * 1.004 / rate;
    double subPhase = 0.0;
    LowPass filter;
    double envelope = 1.0;
    const double envelopeStep = detmath::exp(-16.0 / rate);
    const int64_t release = seconds(0.02);
    for (int64_t i = 0; i < length + release; ++i) {
        if (i % 16 == 0) filter.set(180.0 + 1300.0 * envelope, 0.25);
        subPhase += frequency / rate;
        if (subPhase >= 1.0) subPhase -= 1.0;
        double raw = (a.next() + b.next()) * 0.5;
        double v = filter.run(raw) + 0.6 * detmath::sin(detmath::twoPi * subPhase);
        double amp = std::min(1.0, i / (rate * 0.004));
        if (i >= length) amp *= 1.0 - static_cast<double>(i - length) / release;
        out.add(start + i, v * amp * gain, v * amp * gain);
        envelope *= envelopeStep;
    }
}

void pad(StereoBuffer& out, int64_t start, int64_t length, const std::vector<int32_t>& notes,
         double gain, double cutoffFrom, double cutoffTo) {
    const int64_t attack = seconds(0.35);
    const int64_t release = seconds(0.7);
    // Three saws per note and side, spread by a few cents. The sides start in
    // the same phases and differ only in the middle saw's tuning, so the chord
    // is a little wide without losing its centre.
    static constexpr double detune[2][3] = {{-0.0062, 0.0, 0.0071}, {-0.0062, 0.0023, 0.0071}};
    std::vector<SawOscillator> oscillators;
    for (int32_t side = 0; side < 2; ++side) {
        Rng rng(seedFor(start, 6));
        for (int32_t note : notes)
            for (double d : detune[side]) {
                SawOscillator o;
                o.step = noteFrequency(note) * (1.0 + d) / rate;
                o.phase = rng.uniform();
                oscillators.push_back(o);
            }
    }
    const size_t perSide = oscillators.size() / 2;
    LowPass filterL, filterR;
    const double level = gain / static_cast<double>(perSide);
    for (int64_t i = 0; i < length + release; ++i) {
        if (i % 32 == 0) {
            double t = std::min(1.0, static_cast<double>(i) / static_cast<double>(length));
            double cutoff = detmath::mix(cutoffFrom, cutoffTo, t);
            filterL.set(cutoff, 0.2);
            filterR.set(cutoff, 0.2);
        }
        double l = 0.0, r = 0.0;
        for (size_t k = 0; k < perSide; ++k) l += oscillators[k].next();
        for (size_t k = perSide; k < oscillators.size(); ++k) r += oscillators[k].next();
        double amp = i < attack ? static_cast<double>(i) / attack : 1.0;
        if (i >= length) amp *= 1.0 - static_cast<double>(i - length) / release;
        amp = amp * amp * (3.0 - 2.0 * amp);
        out.add(start + i, filterL.run(l) * amp * level, filterR.run(r) * amp * level);
    }
}

void pluck(StereoBuffer& out, int64_t start, int32_t note, double gain, double pan,
           double brightness) {
    const int64_t length = seconds(0.55);
    SawOscillator saw;
    saw.step = noteFrequency(note) / rate;
    double squarePhase = 0.25;
    LowPass filter;
    double envelope = 1.0;
    const double envelopeStep = detmath::exp(-7.0 / rate);
    double filterEnvelope = 1.0;
    const double filterStep = detmath::exp(-14.0 / rate);
    const double leftGain = gain * (pan <= 0.0 ? 1.0 : 1.0 - pan * 0.7);
    const double rightGain = gain * (pan >= 0.0 ? 1.0 : 1.0 + pan * 0.7);
    for (int64_t i = 0; i < length; ++i) {
        if (i % 16 == 0) filter.set(400.0 + brightness * 4200.0 * filterEnvelope, 0.35);
        squarePhase += saw.step;
        if (squarePhase >= 1.0) squarePhase -= 1.0;
        double square = squarePhase < 0.5 ? 0.5 : -0.5;
        double v = filter.run(saw.next() * 0.6 + square * 0.4);
        double amp = std::min(1.0, i / (rate * 0.002)) * envelope;
        if (i > length - 200) amp *= static_cast<double>(length - i) / 200.0;
        out.add(start + i, v * amp * leftGain, v * amp * rightGain);
        envelope *= envelopeStep;
        filterEnvelope *= filterStep;
    }
}

void riser(StereoBuffer& out, int64_t start, int64_t length, double gain) {
    Rng rng(seedFor(start, 7));
    LowPass left, right;
    for (int64_t i = 0; i < length; ++i) {
        double t = static_cast<double>(i) / static_cast<double>(length);
        if (i % 32 == 0) {
            double cutoff = 300.0 * detmath::exp2(t * 4.5);
            left.set(cutoff, 0.75);
            right.set(cutoff * 1.05, 0.75);
        }
        left.run(rng.signedUniform());
        right.run(rng.signedUniform());
        double amp = t * t * gain;
        out.add(start + i, left.bandPass() * amp, right.bandPass() * amp);
    }
}

void pingPongDelay(StereoBuffer& bus, int64_t delayFrames, double feedback, double wet) {
    const size_t n = bus.left.size();
    std::vector<float> echoL(n, 0.0f), echoR(n, 0.0f);
    const size_t d = static_cast<size_t>(delayFrames);
    for (size_t i = d; i < n; ++i) {
        // The left echo repeats what the right side sounded one delay ago,
        // and the other way round.
        echoL[i] = static_cast<float>((bus.right[i - d] + echoR[i - d]) * feedback);
        echoR[i] = static_cast<float>((bus.left[i - d] + echoL[i - d]) * feedback);
    }
    for (size_t i = 0; i < n; ++i) {
        bus.left[i] += static_cast<float>(echoL[i] * wet);
        bus.right[i] += static_cast<float>(echoR[i] * wet);
    }
}

std::vector<float> duckingCurve(int64_t frames, const std::vector<int64_t>& kicks, double depth) {
    std::vector<float> curve(static_cast<size_t>(frames), 1.0f);
    const int64_t recovery = seconds(0.24);
    for (int64_t k : kicks) {
        for (int64_t i = 0; i < recovery && k + i < frames; ++i) {
            double t = static_cast<double>(i) / recovery;
            double g = 1.0 - depth * (1.0 - t * t * (3.0 - 2.0 * t));
            float& c = curve[static_cast<size_t>(k + i)];
            c = std::min(c, static_cast<float>(g));
        }
    }
    return curve;
}

} // namespace synth
