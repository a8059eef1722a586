#pragma once
#include <cstdint>

#include "sync/FrameClock.h"
#include "platform/MusicClock.h"

class Soundtrack;

// The live program's link between the soundtrack it plays and the frame clock
// a seek replays with.

// The soundtrack the show plays, or null when the show runs on another clock.
Soundtrack* playedSoundtrack(MusicClock* clock);

// The clock of a 60-step-per-second capture of the same soundtrack: its byte
// rate, and the length of its pass when the soundtrack knows it.
FrameClock stepClockOf(MusicClock& music);

// The most steps --start and a seek may reach when the show does not end by
// itself: those of the 20 minutes a capture is limited to.
int64_t seekLimitSteps();

// A clock that reads one fixed position and passes the volume on to the
// played clock: a step drawn at a frame clock's exact position in live play.
class FixedClock final : public MusicClock {
  public:
    FixedClock(uint32_t position, MusicClock& played) : at(position), music(played) {}
    uint32_t position() override { return at; }
    void setVolume(int32_t volume) override { music.setVolume(volume); }
    int32_t bytesPerSecond() const override { return music.bytesPerSecond(); }

  private:
    uint32_t at;
    MusicClock& music;
};
