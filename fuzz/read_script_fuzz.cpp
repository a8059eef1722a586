// Feeds arbitrary bytes to the sync script reader, then plays the store it
// filled: counts must stay within the limits and envelopes within 0..255.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sync/MusicSync.h"

namespace {

class SteppingClock final : public MusicClock {
public:
    uint32_t position() override { return now += step; }
    void setVolume(int32_t) override {}
    int32_t bytesPerSecond() const override { return 176400; }
    uint32_t now = 0;
    uint32_t step = 1;
};

// One temporary file for the whole run, removed at exit.
class ScriptFile {
public:
    ScriptFile() {
        // In memory where there is a tmpfs for it: each run rewrites it.
        for (const char* dir : {"/dev/shm", "/tmp"}) {
            std::string name = std::string(dir) + "/read_script_fuzz_XXXXXX";
            const int fd = mkstemp(name.data());
            if (fd < 0) continue;
            close(fd);
            path = name;
            return;
        }
        std::abort();
    }
    ~ScriptFile() { unlink(path.c_str()); }
    std::string path;
};

const std::string& scriptPath() {
    static const ScriptFile file;
    return file.path;
}

void check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(scriptPath().c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    // One store for the whole run (as in the show, allocated once); the
    // reader empties it before each script.
    static MusicSync sync;
    sync.state = SyncState{};
    sync.readScript(scriptPath().c_str());
    check(sync.patternCount >= 0 && sync.patternCount <= maxPatterns);
    for (int32_t p = 0; p < maxPatterns; ++p) {
        const SyncPattern& pattern = sync.patterns[p];
        check(pattern.trackCount >= 0 && pattern.trackCount <= tracksPerPattern);
        check(p < sync.patternCount || pattern.trackCount == 0);
        for (int32_t t = 0; t < tracksPerPattern; ++t) {
            check(pattern.eventCount[t] >= 0 && pattern.eventCount[t] <= maxEventsPerTrack);
            check(t < pattern.trackCount || pattern.eventCount[t] == 0);
        }
    }

    SteppingClock clock;
    clock.step = size > 0 ? 1u + data[0] * 4096u : 1u;
    sync.useClock(&clock);
    sync.seekCursors(0);
    int32_t values[tracksPerPattern];
    for (int frame = 0; frame < 300; ++frame) {
        sync.updateEnvelopes(values, 0);
        for (int32_t t = 0; t < tracksPerPattern; ++t) {
            check(values[t] >= 0 && values[t] <= 255);
            const int32_t cursor = sync.state.cursor[0][t];
            check(cursor >= -1 && cursor < sync.patterns[0].eventCount[t]);
        }
    }
    return 0;
}
