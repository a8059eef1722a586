#pragma once
#include <memory>
#include <string>
#include <thread>

#include "sync/MusicSync.h"

class Soundtrack;

// How the program starts a soundtrack: an MP3 file played looped through the
// audio output (see Soundtrack); without sound, a wall clock in the same unit.
MusicStarter soundtrackStarter();

// A soundtrack made ready on a thread of its own while the program loads the
// rest of the show: opening the file, decoding its first moments and opening
// the audio output take about as long as loading the pictures, and need not
// wait for them. Play still starts only when the show asks for the music.
class EarlySoundtrack {
  public:
    explicit EarlySoundtrack(std::string fileName);
    // Waits for the preparation; a soundtrack that was not taken is closed.
    ~EarlySoundtrack();
    EarlySoundtrack(const EarlySoundtrack&) = delete;
    EarlySoundtrack& operator=(const EarlySoundtrack&) = delete;

    // Hands the prepared soundtrack over, started, the first time the music
    // of this file name is asked for; any other starts afresh. Valid while
    // this object lives.
    MusicStarter starter();

  private:
    std::string fileName;
    std::unique_ptr<Soundtrack> soundtrack;
    std::thread preparing;
};
