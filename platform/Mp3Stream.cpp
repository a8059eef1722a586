#include "platform/Mp3Stream.h"

#include <mpg123.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

bool decoderMessagesWanted() {
    const char* value = std::getenv("DEMO_VERBOSE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

// The decoder reads the file through its own offset with pread, so several
// decoders can share one open file; a stop request ends its reads early.
struct Mp3Stream::Reader {
    std::shared_ptr<const RegularFile> file;
    int64_t offset = 0;
    std::stop_token stop;

    static mpg123_ssize_t read(void* self, void* buffer, size_t bytes) {
        auto* reader = static_cast<Reader*>(self);
        if (reader->stop.stop_requested()) {
            errno = ECANCELED;
            return -1;
        }
        for (;;) {
            const ssize_t got = pread(reader->file->descriptor(), buffer, bytes, reader->offset);
            if (got < 0 && errno == EINTR) continue;
            if (got > 0) reader->offset += got;
            return got;
        }
    }

    static off_t seek(void* self, off_t offset, int whence) {
        auto* reader = static_cast<Reader*>(self);
        int64_t base = 0;
        if (whence == SEEK_CUR) base = reader->offset;
        if (whence == SEEK_END) base = reader->file->size();
        if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
        if (base + offset < 0) {
            errno = EINVAL;
            return -1;
        }
        reader->offset = base + offset;
        return static_cast<off_t>(reader->offset);
    }
};

// One mpg123 decoder over the file, with the reader it pulls from.
struct Mp3Stream::Decoder {
    Reader reader;
    mpg123_handle* handle = nullptr;

    ~Decoder() {
        if (handle != nullptr) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
    }

    // Opens the file from its start and reads the first frame. With `rate`
    // and `channels` given (not 0) the output keeps that format; else it is
    // the first frame's, stored back into them.
    bool open(int32_t& rate, int32_t& channels, std::string& error) {
        static const int initResult = mpg123_init(); // deprecated no-op on new versions
        int err = initResult;
        if (err == MPG123_OK) handle = mpg123_new(nullptr, &err);
        if (handle == nullptr) {
            error = std::string("the MP3 decoder could not start: ") + mpg123_plain_strerror(err);
            return false;
        }
        // Automatic resampling only comes into play where the stream changes
        // format: the first part is decoded at its own rate.
        const long quiet = decoderMessagesWanted() ? 0 : MPG123_QUIET;
        mpg123_param(handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_AUTO_RESAMPLE | quiet, 0.0);
        mpg123_format_none(handle);
        for (long r : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
            mpg123_format(handle, r, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        reader.offset = 0;
        if (mpg123_replace_reader_handle(handle, &Reader::read, &Reader::seek, nullptr) !=
                MPG123_OK ||
            mpg123_open_handle(handle, &reader) != MPG123_OK) {
            error =
                std::string("the MP3 decoder could not read the file: ") + mpg123_strerror(handle);
            return false;
        }
        long firstRate = 0;
        int firstChannels = 0, encoding = 0;
        if (mpg123_getformat(handle, &firstRate, &firstChannels, &encoding) != MPG123_OK)
            return false; // the caller names the file
        if (rate == 0) {
            rate = static_cast<int32_t>(firstRate);
            channels = firstChannels;
        }
        // From here on only this format is allowed: a later part in another
        // format is converted to it.
        mpg123_format_none(handle);
        mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16);
        return true;
    }
};

Mp3Stream::Mp3Stream() = default;
Mp3Stream::~Mp3Stream() = default;
Mp3Stream::Mp3Stream(Mp3Stream&&) noexcept = default;
Mp3Stream& Mp3Stream::operator=(Mp3Stream&&) noexcept = default;

bool Mp3Stream::open(const char* path, std::string& error) {
    *this = Mp3Stream{};
    file = RegularFile::open(path, error);
    if (!file) return false;
    name = path;
    if (!startDecoder(error)) {
        *this = Mp3Stream{};
        return false;
    }
    return true;
}

bool Mp3Stream::startDecoder(std::string& error) {
    auto fresh = std::make_unique<Decoder>();
    fresh->reader.file = file;
    std::string why;
    if (!fresh->open(sampleRate, channelCount, why)) {
        error = why.empty() ? name + " is not an MP3 stream the decoder can read" : why;
        return false;
    }
    decoder = std::move(fresh);
    ended = false;
    readProblem.clear();
    return true;
}

size_t Mp3Stream::read(int16_t* out, size_t frames) {
    if (!decoder || ended) return 0;
    const size_t frameBytes = static_cast<size_t>(channelCount) * 2;
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    const size_t wanted = frames * frameBytes;
    size_t filled = 0;
    while (filled < wanted) {
        size_t done = 0;
        const int result = mpg123_read(decoder->handle, bytes + filled, wanted - filled, &done);
        filled += done;
        if (result == MPG123_OK || result == MPG123_NEW_FORMAT) continue;
        ended = true;
        if (result != MPG123_DONE) readProblem = mpg123_strerror(decoder->handle);
        break;
    }
    // A stream never ends inside a sample frame; should a broken one, the
    // part frame is left out.
    return filled / frameBytes;
}

bool Mp3Stream::restart() {
    if (!file) return false;
    std::string ignored;
    return startDecoder(ignored);
}

bool Mp3Stream::seek(uint64_t frame) {
    if (!decoder) return false;
    ended = false;
    readProblem.clear();
    const off_t at = mpg123_seek(decoder->handle, static_cast<off_t>(frame), SEEK_SET);
    return at >= 0 && static_cast<uint64_t>(at) == frame;
}

uint64_t Mp3Stream::announcedFrames() const {
    if (!decoder) return 0;
    long padding = -1;
    double ignored = 0;
    // Only an Info tag gives the encoder's padding, and with it an exact length.
    if (mpg123_getstate(decoder->handle, MPG123_ENC_PADDING, &padding, &ignored) != MPG123_OK ||
        padding < 0)
        return 0;
    const off_t length = mpg123_length(decoder->handle);
    return length > 0 ? static_cast<uint64_t>(length) : 0;
}

uint64_t Mp3Source::measureFrames(std::stop_token stop) const {
    if (!file) return 0;
    int32_t scanRate = rate, scanChannels = channels;
    std::string ignored;
    Mp3Stream::Decoder scanner;
    scanner.reader.file = file;
    scanner.reader.stop = stop;
    if (!scanner.open(scanRate, scanChannels, ignored)) return 0;
    // The header walk gives the exact gapless length of a stream in one
    // format. Where parts were stitched together the decoder's count differs
    // from the headers', so that pass is decoded and counted.
    long stitched = 0;
    double unused = 0;
    if (mpg123_scan(scanner.handle) == MPG123_OK && !stop.stop_requested() &&
        mpg123_getstate(scanner.handle, MPG123_FRANKENSTEIN, &stitched, &unused) == MPG123_OK &&
        stitched == 0) {
        const off_t length = mpg123_length(scanner.handle);
        if (length > 0) return static_cast<uint64_t>(length);
    }
    if (stop.stop_requested()) return 0;
    Mp3Stream counter;
    counter.file = file;
    counter.name = name;
    counter.sampleRate = rate;
    counter.channelCount = channels;
    if (!counter.startDecoder(ignored)) return 0;
    counter.decoder->reader.stop = stop;
    std::vector<int16_t> scratch(4096 * static_cast<size_t>(channels));
    uint64_t frames = 0;
    for (;;) {
        const size_t got = counter.read(scratch.data(), 4096);
        frames += got;
        if (got < 4096) break;
    }
    return stop.stop_requested() ? 0 : frames;
}
