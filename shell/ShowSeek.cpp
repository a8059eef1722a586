#include "shell/ShowSeek.h"

#include "platform/Soundtrack.h"
#include "shell/Capture.h"

Soundtrack* playedSoundtrack(MusicClock* clock) {
    return dynamic_cast<Soundtrack*>(clock);
}

FrameClock stepClockOf(MusicClock& music) {
    FrameClock clock(music.bytesPerSecond(), 60);
    if (const Soundtrack* soundtrack = playedSoundtrack(&music))
        clock.setLoopBytes(soundtrack->loopBytes());
    return clock;
}

int64_t seekLimitSteps() {
    return defaultCaptureFrames(60);
}
