#pragma once
#include <cstdint>
#include <memory>

#include "sync/MusicClock.h"

constexpr int32_t maxPatterns = 100;
constexpr int32_t tracksPerPattern = 5;
constexpr int32_t maxEventsPerTrack = 200;

struct SyncEvent {
    int32_t position; // compared with the clock as unsigned
    uint8_t value;
    uint8_t duration; // frames over which the envelope falls back to 0; 0 holds it
};

struct SyncPattern {
    int32_t trackCount;
    SyncEvent* events[tracksPerPattern];
    int32_t eventCount[tracksPerPattern];
    int32_t cursor[tracksPerPattern]; // next event to fire, or -1 once none is left
};

// The sync script's pattern store, the music clock and the five envelopes.
class MusicSync {
  public:
    MusicSync() = default;
    // Releases the pattern store and stops the soundtrack this object started.
    ~MusicSync();
    MusicSync(const MusicSync&) = delete;
    MusicSync& operator=(const MusicSync&) = delete;

    // Creates the empty store: 100 patterns of five tracks with room for 200
    // events each, every slot zeroed. Called again, it empties the store.
    void allocatePatterns();
    // Fills the store from a script of labels, counts and event triples. A
    // missing file leaves the store empty; counts beyond the limits are cut to
    // them (the surplus items are read and dropped); a script that ends early
    // or holds a non-number where a number belongs keeps what was complete,
    // and its counts say only what was really read.
    void readScript(const char* fileName);
    // Opens and starts the soundtrack (looped); without sound, a wall clock in
    // the same unit takes its place.
    void startMusic(const char* fileName);
    // Uses `clock` (not owned) instead of starting the soundtrack: the capture
    // mode's frame clock, or a test's.
    void useClock(MusicClock* clock);
    void seekCursors(int32_t pattern);
    // Forgets the clock's last reading and every envelope, as before the
    // first update, so that a second show in one process starts from its
    // beginning (the seek counts from the last reading).
    void rewind();
    // -1: the track has nothing left to fire; 0: its next event is not due
    // yet; 1: an event fired and was copied to `event`.
    int32_t nextEvent(int32_t pattern, int32_t track, SyncEvent& event);
    void updateEnvelopes(int32_t* values, int32_t pattern);
    void setVolume(int32_t volume);

    SyncPattern* patterns = nullptr;
    int32_t patternCount = 0;
    uint32_t position = 0;
    int32_t stepsLeft[tracksPerPattern] = {};
    float level[tracksPerPattern] = {};
    float decrement[tracksPerPattern] = {};
    MusicClock* clock = nullptr;

  private:
    // The soundtrack started by startMusic; `clock` points at it.
    std::unique_ptr<MusicClock> ownedClock;
    // One block holding every pattern's event slots.
    SyncEvent* eventBlock = nullptr;
};

extern MusicSync musicSync;
extern int32_t envelopeValues[tracksPerPattern];

// Start-up: allocatePatterns, readScript("data/data"), startMusic("music.mp3")
// (unless a clock was given with useClock), seekCursors(0).
void startMusicAndSync();
