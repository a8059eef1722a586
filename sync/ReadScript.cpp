#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>

#include "platform/RegularFile.h"
#include "sync/MusicSync.h"

// The sync script is a stream of blank-separated tokens:
//   script:  label count pattern*
//   pattern: label count track*
//   track:   label count event*
//   event:   position value duration
// Labels are read and thrown away, whatever their length. Counts beyond the
// store's limits are cut to them, and the surplus items are still read (and
// dropped) so the grammar stays in step. Reading stops at the end of the file
// or at a token that is not a number where a number belongs; what was
// complete by then is kept, and every count says only what was really read.

namespace {

class ScriptTokens {
public:
    explicit ScriptTokens(std::FILE* file) : file(file) {}

    // Skips one token of any length; false at the end of the file.
    bool skipLabel() {
        int c = skipBlanks();
        if (c == EOF) return false;
        while (c != EOF && !isBlank(c)) c = std::getc(file);
        return true;
    }

    // Reads a token that is a decimal integer with an optional sign. Numbers
    // beyond the 32-bit range saturate. False at the end of the file or when
    // the token is anything else.
    bool readNumber(int32_t& out) {
        int c = skipBlanks();
        if (c == EOF) return false;
        bool negative = false;
        if (c == '+' || c == '-') {
            negative = c == '-';
            c = std::getc(file);
        }
        constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
        int64_t magnitude = 0;
        bool anyDigit = false;
        while (c != EOF && std::isdigit(c)) {
            anyDigit = true;
            magnitude = std::min(magnitude * 10 + (c - '0'), limit);
            c = std::getc(file);
        }
        if (!anyDigit || (c != EOF && !isBlank(c))) return false;
        const int64_t value = negative ? -magnitude : magnitude;
        out = static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                       std::numeric_limits<int32_t>::max()));
        return true;
    }

    // A label followed by a count; negative counts mean no items follow.
    bool readHeader(int32_t& count) {
        if (!skipLabel() || !readNumber(count)) return false;
        count = std::max(count, 0);
        return true;
    }

private:
    static bool isBlank(int c) { return std::isspace(c) != 0; }

    int skipBlanks() {
        int c = std::getc(file);
        while (c != EOF && isBlank(c)) c = std::getc(file);
        return c;
    }

    std::FILE* file;
};

// Reads one track block into `events`/`eventCount`, or drops it when both are
// null. False when reading had to stop inside or before the block;
// `started` tells whether its header was read.
bool readTrack(ScriptTokens& tokens, SyncEvent* events, int32_t* eventCount, bool& started) {
    int32_t count = 0;
    started = tokens.readHeader(count);
    if (!started) return false;
    for (int32_t e = 0; e < count; ++e) {
        int32_t position = 0, value = 0, duration = 0;
        if (!tokens.readNumber(position) || !tokens.readNumber(value) ||
            !tokens.readNumber(duration))
            return false;
        if (events == nullptr || e >= maxEventsPerTrack) continue;
        events[e] = SyncEvent{position, static_cast<uint8_t>(value & 0xFF),
                              static_cast<uint8_t>(duration & 0xFF)};
        *eventCount = e + 1;
    }
    return true;
}

// Reads one pattern block into `pattern`, or drops it when null. Returns as
// readTrack does.
bool readPattern(ScriptTokens& tokens, SyncPattern* pattern, bool& started) {
    int32_t count = 0;
    started = tokens.readHeader(count);
    if (!started) return false;
    for (int32_t t = 0; t < count; ++t) {
        const bool kept = pattern != nullptr && t < tracksPerPattern;
        bool trackStarted = false;
        const bool complete = readTrack(tokens, kept ? pattern->events[t] : nullptr,
                                        kept ? &pattern->eventCount[t] : nullptr, trackStarted);
        if (kept && trackStarted) pattern->trackCount = t + 1;
        if (!complete) return false;
    }
    return true;
}

} // namespace

void MusicSync::readScript(const char* fileName) {
    // Start from an empty store, so the counts describe this file alone.
    allocatePatterns();
    // Only a regular file is read: a FIFO with no writer or a device would
    // hang or never end. A missing script stays silent, as it always has.
    RegularFile script(fileName, "r");
    if (!script) {
        if (script.failure() != RegularFile::Failure::missing)
            std::fprintf(stderr, "%s: %s\n", fileName, script.reason().c_str());
        return;
    }
    ScriptTokens tokens(script.get());
    int32_t count = 0;
    if (tokens.readHeader(count)) {
        for (int32_t p = 0; p < count; ++p) {
            const bool kept = p < maxPatterns;
            bool started = false;
            const bool complete = readPattern(tokens, kept ? &patterns[p] : nullptr, started);
            if (kept && started) patternCount = p + 1;
            if (!complete) break;
        }
    }
}
