#include "sync/FrameClock.h"

FrameClock::FrameClock(int32_t bytesPerSecond, int32_t framesPerSecond)
    : bytesRate(bytesPerSecond > 0 ? bytesPerSecond : 1),
      frameRate(framesPerSecond > 0 ? framesPerSecond : 1) {}

uint32_t FrameClock::position() {
    // Frames before 0 are taken as 0. The product stays exact in 64 bits
    // for any frame a run can reach (beyond 4 * 10^9 frames at 2^31 B/s).
    const int64_t frame = currentFrame > 0 ? currentFrame : 0;
    const uint64_t bytes = static_cast<uint64_t>(frame) * static_cast<uint64_t>(bytesRate) /
                           static_cast<uint64_t>(frameRate);
    return static_cast<uint32_t>(loopLength > 0 ? bytes % loopLength : bytes);
}
