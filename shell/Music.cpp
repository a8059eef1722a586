#include "shell/Music.h"

#include <memory>

#include "platform/Soundtrack.h"
#include "sync/MusicSync.h"

namespace {
std::unique_ptr<Soundtrack> soundtrack;
} // namespace

MusicClock& startMusic(const char* fileName) {
    // The sync must not read a soundtrack that is gone.
    if (soundtrack && musicSync.clock == soundtrack.get()) musicSync.useClock(nullptr);
    soundtrack = std::make_unique<Soundtrack>();
    soundtrack->start(fileName);
    return *soundtrack;
}

void startMusicUnlessClockGiven() {
    if (musicSync.clock == nullptr) musicSync.useClock(&startMusic("music.mp3"));
}
