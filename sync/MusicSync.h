#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/MusicClock.h"

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
};

// What the sync has made of the clock so far: its last reading, the five
// envelopes and every pattern's cursors. A plain value, so a copy is a
// snapshot that continues exactly as the original does.
struct SyncState {
    uint32_t position = 0;
    int32_t stepsLeft[tracksPerPattern] = {};
    float level[tracksPerPattern] = {};
    float decrement[tracksPerPattern] = {};
    // The envelopes' outputs after the last update, 0..255.
    int32_t values[tracksPerPattern] = {};
    // Per pattern and track: the next event to fire, or -1 once none is left.
    int32_t cursor[maxPatterns][tracksPerPattern] = {};

    friend bool operator==(const SyncState&, const SyncState&) = default;
};

class MusicSync;

// The state-passing operations: `store` holds the events, `state` what has
// happened so far. seekCursors points every track of `pattern` at its first
// event after state.position.
void seekCursors(const MusicSync& store, SyncState& state, int32_t pattern);
// -1: the track has nothing left to fire; 0: its next event is not due yet
// (the clock has not passed it); 1: an event fired and was copied to `event`.
int32_t nextEvent(const MusicSync& store, SyncState& state, int32_t pattern, int32_t track,
                  SyncEvent& event);
// One frame of the envelopes at the clock reading `position`: each track
// decays one step, then takes its next event if it is due; the levels land
// in state.values.
void updateEnvelopes(const MusicSync& store, SyncState& state, uint32_t position, int32_t pattern);

// Makes and starts the soundtrack of a file; it is the show's clock from then on.
using MusicStarter = std::function<std::unique_ptr<MusicClock>(const char* fileName)>;

// The sync script's pattern store and the music clock, with a sync state of
// its own for the member operations (a show run keeps its own SyncState).
class MusicSync {
  public:
    MusicSync() = default;
    // Releases the pattern store.
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
    // Starts the soundtrack `fileName` (looped) with the starter the program
    // gave and reads time from it; a soundtrack this object started before is
    // stopped first (some audio drivers open one output at a time, and the new
    // one must get it). Without a starter nothing is started.
    void startMusic(const char* fileName);
    // How startMusic makes a soundtrack: the program's platform layer hands
    // it in, so the sync never reaches for an audio device itself.
    void setMusicStarter(MusicStarter starter);
    // Reads time from `clock` (not owned): the capture's frame clock, or a
    // test's.
    void useClock(MusicClock* clock);
    // The operations above on this object's own `state`; updateEnvelopes
    // reads the clock (without one, the last reading stands) and copies the
    // five levels to `values`.
    void seekCursors(int32_t pattern);
    int32_t nextEvent(int32_t pattern, int32_t track, SyncEvent& event);
    void updateEnvelopes(int32_t* values, int32_t pattern);
    void setVolume(int32_t volume);

    SyncPattern* patterns = nullptr;
    int32_t patternCount = 0;
    SyncState state;
    MusicClock* clock = nullptr;

  private:
    MusicStarter starter;
    // The soundtrack started by startMusic; `clock` points at it.
    std::unique_ptr<MusicClock> ownedClock;
    // One block holding every pattern's event slots.
    SyncEvent* eventBlock = nullptr;
};

extern MusicSync musicSync;

// Start-up: allocatePatterns, readScript("data/data"), startMusic("music.mp3")
// (unless a clock was given with useClock), seekCursors(0).
void startMusicAndSync();
