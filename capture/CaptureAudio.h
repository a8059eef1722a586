#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Mp3Decode.h"
#include "platform/Mp3Stream.h"

// The sample frames that belong to video frame `frame` (from 0) at
// `framesPerSecond`: from frame × rate / fps up to (frame + 1) × rate / fps,
// both truncated, so consecutive frames tile the soundtrack without a gap or
// an overlap however the rates divide.
struct SampleSpan {
    int64_t first = 0;
    int64_t count = 0;
};
SampleSpan samplesOfFrame(int64_t frame, int32_t sampleRate, int32_t framesPerSecond);

// The soundtrack of a capture: music.mp3 played from its start, looped and at
// the show's volume exactly as the live soundtrack plays it; silence at
// 44100 Hz stereo when there is no playable file. The file is decoded as the
// frames ask for it, in order, so memory stays small however long it is.
class CaptureAudio {
  public:
    static constexpr int32_t silentRate = 44100;
    static constexpr int32_t silentChannels = 2;

    // Opens `fileName` and measures one pass. Returns false, with the reason
    // in whyNoSound(), when it holds no playable audio; the soundtrack is then
    // silence.
    bool load(const char* fileName);
    // Uses already decoded audio (empty: silence).
    void use(DecodedAudio decoded);

    bool hasSound() const { return passFrames > 0; }
    const std::string& whyNoSound() const { return noSoundReason; }
    int32_t sampleRate() const { return hasSound() ? rate : silentRate; }
    int32_t channels() const { return hasSound() ? channelCount : silentChannels; }
    // The music clock's unit: bytes of 16-bit sample data per second.
    int32_t bytesPerSecond() const { return sampleRate() * channels() * 2; }
    // Bytes of one pass through the soundtrack, where the clock starts over;
    // 0 for silence, which never does (like the live wall clock).
    uint32_t loopBytes() const;

    // The interleaved samples of video frame `frame`, at output `volume`
    // (0..100; see scaleSamples). Valid until the next call. Frames asked
    // for in order are decoded straight on; any other order decodes the pass
    // again from its start up to the frame.
    const std::vector<int16_t>& samplesFor(int64_t frame, int32_t framesPerSecond, int32_t volume);
    // The same for any stretch of the play line (see FrameSteps::samplesOf).
    const std::vector<int16_t>& samplesIn(SampleSpan span, int32_t volume);

  private:
    void readLooped(uint64_t from, size_t frames, int16_t* out);
    void advance(int16_t* out, size_t frames);

    DecodedAudio audio; // given whole through use()
    Mp3Stream stream;   // or decoded as it goes
    int32_t rate = 0;
    int32_t channelCount = 0;
    uint64_t passFrames = 0;
    uint64_t next = 0;   // the play line's frame the stream reads next
    uint64_t inPass = 0; // and where in the pass that is
    std::string noSoundReason;
    std::vector<int16_t> buffer;
    std::vector<int16_t> unscaled; // frames decoded only to be passed over
};
