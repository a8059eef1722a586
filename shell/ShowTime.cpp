#include "shell/ShowTime.h"

#include <cstdio>

namespace {

constexpr int64_t nanosPerSecond = 1'000'000'000;
constexpr int64_t mostSeconds = 100'000;

// Digits only, at most `most` of them, at least one.
std::optional<int64_t> wholeNumber(std::string_view digits, size_t most) {
    if (digits.empty() || digits.size() > most) return std::nullopt;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<int64_t> parseShowTime(std::string_view text) {
    int64_t minutes = 0;
    bool hasMinutes = false;
    if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
        const auto m = wholeNumber(text.substr(0, colon), 6);
        if (!m) return std::nullopt;
        minutes = *m;
        hasMinutes = true;
        text = text.substr(colon + 1);
    }
    std::string_view whole = text, fraction;
    bool hasPoint = false;
    if (const size_t point = text.find('.'); point != std::string_view::npos) {
        whole = text.substr(0, point);
        fraction = text.substr(point + 1);
        hasPoint = true;
    }
    const auto seconds = wholeNumber(whole, hasMinutes ? 2 : 6);
    if (!seconds || (hasMinutes && *seconds >= 60)) return std::nullopt;
    int64_t nanos = 0;
    if (hasPoint) {
        const auto digits = wholeNumber(fraction, 9);
        if (!digits) return std::nullopt;
        nanos = *digits;
        for (size_t i = fraction.size(); i < 9; ++i) nanos *= 10;
    }
    const int64_t total = minutes * 60 + *seconds;
    if (total > mostSeconds || (total == mostSeconds && nanos > 0)) return std::nullopt;
    return total * nanosPerSecond + nanos;
}

int64_t stepAtTime(int64_t nanoseconds, int32_t stepsPerSecond) {
    // Exact: at most 10^14 ns times at most a few thousand steps per second.
    return nanoseconds * stepsPerSecond / nanosPerSecond;
}

std::string formatStepTime(int64_t step) {
    if (step < 0) step = 0;
    const int64_t hundredths = step * 100 / 60;
    char text[40];
    std::snprintf(
        text, sizeof text, "%lld:%02lld.%02lld", static_cast<long long>(hundredths / 6000),
        static_cast<long long>(hundredths / 100 % 60), static_cast<long long>(hundredths % 100));
    return text;
}
