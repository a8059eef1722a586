#pragma once
#include <cstdint>
#include <memory>
#include <string>

// Writes a finished video file: one picture stream and one sound stream,
// encoded in this process with libavformat/libavcodec.
//
// The container and codecs follow the file name's extension:
//   ".mp4"  H.264 (yuv420p) pictures and AAC sound, for sharing;
//   ".mkv"  FFV1 (bgr0) pictures and FLAC sound, both lossless.
//
// Picture n is shown at time n / framesPerSecond. Sound is taken as it comes,
// in any amounts, and cut into the encoder's own frame sizes here.
//
// Call it from one thread. Pictures and sound are encoded on threads of the
// writer's own: writeFrame copies the picture and queues it (up to four
// pictures ahead before it waits), writeAudio queues the sound (up to two
// seconds ahead), so the caller can draw the next picture while the encoders
// work. A failure there is reported by the next writeFrame, writeAudio or
// finish; the first failure is the one reported, by every later call.
class VideoWriter {
  public:
    struct Format {
        int32_t width = 512;
        int32_t height = 256;
        int32_t framesPerSecond = 60;
        int32_t sampleRate = 44100;
        int32_t channels = 2; // 1 or 2
    };

    enum class FileType { mp4, mkv };

    // The type a file name asks for by its extension. Returns false, with the
    // reason in `error`, for an extension other than the two above.
    static bool fileTypeOf(const std::string& path, FileType& type, std::string& error);

    // Opens `path` for writing, as the type its extension names. Returns
    // null, with the reason in `error`, for an extension other than the two
    // above, a format it cannot encode, libav libraries that cannot be loaded
    // (the first call loads them), or a file that cannot be created.
    static std::unique_ptr<VideoWriter> open(const std::string& path, const Format& format,
                                             std::string& error);
    // The same, for a file whose name says nothing of its type (a temporary
    // file that takes its real name when it is complete). A file that this
    // call creates is removed again when it fails; one that was there is not.
    static std::unique_ptr<VideoWriter> open(const std::string& path, FileType type,
                                             const Format& format, std::string& error);

    // Finishes the file if finish() was not called (errors are then lost), so
    // that whatever was written so far is still a playable file.
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // The next picture: width × height pixels 0x..RRGGBB (the fourth byte is
    // ignored), rows `pitch` pixels apart.
    bool writeFrame(const uint32_t* pixels, int32_t pitch, std::string& error);
    // The next `sampleFrames` interleaved signed 16-bit sample frames.
    bool writeAudio(const int16_t* samples, int64_t sampleFrames, std::string& error);
    // Flushes both encoders (a last partial block of sound included) and
    // writes the trailer. The file is complete once this returns true.
    bool finish(std::string& error);

    const Format& format() const;
    // Pictures and sample frames accepted so far (queued or encoded).
    int64_t framesWritten() const;
    int64_t sampleFramesWritten() const;

  private:
    struct State;
    explicit VideoWriter(std::unique_ptr<State> state);
    std::unique_ptr<State> state;
};
