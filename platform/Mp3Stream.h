#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

#include "platform/RegularFile.h"

struct mpg123_handle_struct;

// What it takes to decode an open MP3 file afresh: the file and the output
// format of its stream. Copies share the open file.
struct Mp3Source {
    std::shared_ptr<const RegularFile> file;
    std::string name;
    int32_t rate = 0;
    int32_t channels = 0;

    // Sample frames of one pass, exactly as Mp3Stream::read gives them, found
    // with decoders of its own. Walks the frame headers; decodes the whole
    // pass only when the stream changes format on the way. Returns 0 when
    // `stop` is requested meanwhile or nothing decodes.
    uint64_t measureFrames(std::stop_token stop = {}) const;
};

// An MP3 file decoded piece by piece to interleaved signed 16-bit samples,
// gapless (encoder delay and padding removed), in the format of its first
// frame: where the stream changes rate or channel count further on, the
// decoder resamples and mixes that part into the first part's format, so
// positions always count sample frames of one format.
//
// The decoder's own messages stay off stderr unless DEMO_VERBOSE=1 is set;
// failures are reported through the `error` texts instead.
class Mp3Stream {
  public:
    Mp3Stream();
    ~Mp3Stream();
    Mp3Stream(Mp3Stream&&) noexcept;
    Mp3Stream& operator=(Mp3Stream&&) noexcept;

    // Opens `path` (regular files only) and reads its first frame for the
    // format. Returns false with a one-line reason in `error`.
    bool open(const char* path, std::string& error);
    bool isOpen() const { return decoder != nullptr; }

    int32_t rate() const { return sampleRate; }
    int32_t channels() const { return channelCount; }

    // Decodes up to `frames` sample frames into `out` and returns how many it
    // wrote. Fewer than asked means the pass has ended (or the decoder met an
    // error it cannot go past; see problem()); every later call returns 0
    // until restart or seek.
    size_t read(int16_t* out, size_t frames);
    // Back to the first sample, decoding from there exactly as after open.
    bool restart();
    // Continues at sample frame `frame` of the pass. Returns false when the
    // pass is shorter or the decoder cannot seek; where it stands is then
    // unknown until restart.
    bool seek(uint64_t frame);
    // What stopped the last read short when it was not the end of the
    // stream; empty otherwise.
    const std::string& problem() const { return readProblem; }

    // Sample frames of one pass as the file's Info tag gives them, without
    // reading further; 0 when the file has no such tag. Cheap, and exact
    // unless more audio was appended after the tagged stream.
    uint64_t announcedFrames() const;
    // The file and format, for decoders of their own (see Mp3Source).
    Mp3Source source() const { return {file, name, sampleRate, channelCount}; }

  private:
    friend struct Mp3Source;
    struct Reader;
    struct Decoder;
    bool startDecoder(std::string& error);

    std::shared_ptr<const RegularFile> file;
    std::string name;
    std::unique_ptr<Decoder> decoder;
    int32_t sampleRate = 0;
    int32_t channelCount = 0;
    bool ended = false;
    std::string readProblem;
};

// True when DEMO_VERBOSE=1 asks for the MP3 decoder's own messages.
bool decoderMessagesWanted();
