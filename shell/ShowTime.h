#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Show time as the command line and the studio write it.

// Seconds as "65.5" or "65", or minutes and seconds as "1:05.5" or "1:05"
// (seconds below 60 after a colon), with up to 9 decimals; nothing else (no
// sign, no spaces, no exponent). Gives nanoseconds, exactly; nullopt for
// anything else or a time past 100000 seconds.
std::optional<int64_t> parseShowTime(std::string_view text);

// The step of `stepsPerSecond` running at show time `nanoseconds`: the last
// step that has begun by then, floor(t × rate).
int64_t stepAtTime(int64_t nanoseconds, int32_t stepsPerSecond);

// Step `step` of a 60-step show time as "m:ss.ff" (hundredths truncated).
std::string formatStepTime(int64_t step);
