#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Encodes interleaved 16-bit stereo at 44100 Hz as a constant-bit-rate MP3
// (192 kbit/s, joint stereo) with an encoder-delay tag at its head, so that a
// gapless decoder gives back exactly as many sample frames as went in. No ID3
// tags. Returns false, with the reason, on failure.
bool writeMp3(const std::vector<int16_t>& interleaved, const std::string& path, std::string& error);
