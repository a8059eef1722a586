#pragma once
#include <cstdint>

#include "platform/MusicClock.h"

// The clock of a capture: time advances by whole video frames, not by what an
// audio device has played, so every frame sees exactly the music position it
// would have at that frame's moment.
//
// The position of frame n (from 0) is n * bytesPerSecond / framesPerSecond,
// truncated, in exact 64-bit integer arithmetic; it wraps like any 32-bit
// music position. Given the length of the soundtrack's pass (setLoopBytes),
// it starts over at the end of each pass as the played soundtrack's position
// does, so a capture sees what the live program sees after the music loops.
// Nothing is played: setVolume only records the volume, for
// the capture to apply to the soundtrack it writes.
class FrameClock final : public MusicClock {
  public:
    // Both rates must be positive; others are taken as 1.
    FrameClock(int32_t bytesPerSecond, int32_t framesPerSecond);

    uint32_t position() override;
    void setVolume(int32_t volume) override { lastVolume = volume; }
    int32_t bytesPerSecond() const override { return bytesRate; }

    // Moves on to the next frame.
    void advance() { ++currentFrame; }
    void setFrame(int64_t frame) { currentFrame = frame; }
    // Bytes of one pass through the soundtrack; 0 (the default) never starts over.
    void setLoopBytes(uint32_t bytes) { loopLength = bytes; }
    uint32_t loopBytes() const { return loopLength; }
    int64_t frame() const { return currentFrame; }
    int32_t framesPerSecond() const { return frameRate; }
    // The volume last given to setVolume, 100 before any call.
    int32_t volume() const { return lastVolume; }

  private:
    int32_t bytesRate;
    int32_t frameRate;
    int64_t currentFrame = 0;
    int32_t lastVolume = 100;
    uint32_t loopLength = 0;
};
