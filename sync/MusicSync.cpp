#include "sync/MusicSync.h"

#include <algorithm>

MusicSync musicSync;

MusicSync::~MusicSync() {
    // The soundtrack goes first: its audio thread must be stopped before
    // anything else of this object disappears.
    clock = nullptr;
    ownedClock.reset();
    delete[] patterns;
    delete[] eventBlock;
}

void MusicSync::allocatePatterns() {
    constexpr int32_t slotsPerPattern = tracksPerPattern * maxEventsPerTrack;
    if (patterns == nullptr) {
        // Value-initialised: every count, cursor and event slot starts at 0,
        // so nothing is ever read uninitialised.
        patterns = new SyncPattern[maxPatterns]();
        eventBlock = new SyncEvent[static_cast<size_t>(maxPatterns) * slotsPerPattern]();
    } else {
        std::fill_n(eventBlock, static_cast<size_t>(maxPatterns) * slotsPerPattern, SyncEvent{});
    }
    patternCount = 0;
    // Every cursor starts at 0, as the zeroed slots of a new store did.
    for (auto& cursors : state.cursor)
        for (int32_t& cursor : cursors) cursor = 0;
    for (int32_t p = 0; p < maxPatterns; ++p) {
        SyncPattern& pattern = patterns[p];
        pattern = SyncPattern{};
        for (int32_t t = 0; t < tracksPerPattern; ++t)
            pattern.events[t] = eventBlock + p * slotsPerPattern + t * maxEventsPerTrack;
    }
}

void MusicSync::startMusic(const char* fileName) {
    if (!starter) return;
    if (clock == ownedClock.get()) clock = nullptr;
    ownedClock.reset();
    ownedClock = starter(fileName);
    clock = ownedClock.get();
}

void MusicSync::setMusicStarter(MusicStarter givenStarter) {
    starter = std::move(givenStarter);
}

void MusicSync::useClock(MusicClock* givenClock) {
    clock = givenClock;
}

void MusicSync::setVolume(int32_t volume) {
    if (clock != nullptr) clock->setVolume(volume);
}

void startMusicAndSync() {
    musicSync.allocatePatterns();
    musicSync.readScript("data/data");
    if (musicSync.clock == nullptr) musicSync.startMusic("music.mp3");
    musicSync.seekCursors(0);
}
