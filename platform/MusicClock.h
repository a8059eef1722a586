#pragma once
#include <cstdint>

// Where the show's time comes from: the play position of the soundtrack in
// bytes of decoded 16-bit sample data (4 bytes per sample frame for stereo),
// and the output volume it is played at.
class MusicClock {
public:
    virtual ~MusicClock() = default;
    // The position of the sample being heard now.
    virtual uint32_t position() = 0;
    // Output volume, 0 (silent) to 100 (unchanged).
    virtual void setVolume(int32_t volume) = 0;
    virtual int32_t bytesPerSecond() const = 0;
};
