#pragma once
#include <cstdint>
#include <vector>

// The soundtrack: 96 bars at 125 beats per minute (about three minutes), in
// nine parts laid out in BeatGrid.h. Renders the first `seconds` of it (the
// whole song when `seconds` is 0 or longer than the song) as interleaved
// 16-bit stereo at 44100 Hz, its loudest sample scaled to a fixed peak below
// full scale so that neither the mix nor the MP3 decoder clips.
std::vector<int16_t> renderSong(double seconds);

// The peak the mix is scaled to, as a fraction of full scale.
constexpr double songPeak = 0.79;
