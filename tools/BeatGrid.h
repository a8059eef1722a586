#pragma once
#include <cstdint>

// The one beat grid that both the soundtrack and the sync script are built
// on: 125 beats per minute at 44100 sample frames per second gives exactly
// 21168 frames per beat, so every beat, bar and sixteenth falls on a whole
// sample and the script's byte positions (4 bytes per stereo frame) are exact.
namespace grid {

constexpr int32_t sampleRate = 44100;
constexpr int32_t framesPerBeat = 21168;
constexpr int32_t beatsPerBar = 4;
constexpr int32_t framesPerBar = framesPerBeat * beatsPerBar;
constexpr int32_t bytesPerFrame = 4; // 16-bit stereo
constexpr int32_t videoFramesPerSecond = 60;

// The arrangement, in bars. Scene one plays over the first four parts, scene
// two starts on the downbeat of `secondHalf`.
constexpr int32_t intro = 0;       // pads and a soft arpeggio; the clouds fade in
constexpr int32_t build = 8;       // kick and bass come in; the lines appear at bar 12
constexpr int32_t drop = 16;       // everything; the two picture sequences step
constexpr int32_t breakdown = 32;  // drums out, then a snare roll and a riser
constexpr int32_t secondHalf = 40; // scene two: the scroller starts
constexpr int32_t secondBreak = 56;
constexpr int32_t finalDrop = 64;
constexpr int32_t windDown = 80;
constexpr int32_t outro = 88; // the closing fade starts about here
constexpr int32_t songBars = 96;

constexpr int64_t frameOfBeat(double beat) {
    return static_cast<int64_t>(beat * framesPerBeat + 0.5);
}
constexpr int64_t frameOfBar(double bar) {
    return frameOfBeat(bar * beatsPerBar);
}

constexpr double songSeconds = static_cast<double>(songBars) * framesPerBar / sampleRate;

// Height of the scroller picture. Scene two lasts about (height / 2 + 1156) /
// 0.4 video frames before its closing fade; 2112 rows put the start of that
// fade on the downbeat of the outro when scene two starts at `secondHalf`.
constexpr int32_t scrollHeight = 2112;

} // namespace grid
