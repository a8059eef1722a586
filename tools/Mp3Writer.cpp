#include "tools/Mp3Writer.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include <lame/lame.h>

#include "tools/BeatGrid.h"

namespace {

struct LameDeleter {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

bool writeMp3(const std::vector<int16_t>& interleaved, const std::string& path,
              std::string& error) {
    std::unique_ptr<lame_global_flags, LameDeleter> lame(lame_init());
    if (!lame) {
        error = "the MP3 encoder could not start";
        return false;
    }
    lame_global_flags* flags = lame.get();
    lame_set_in_samplerate(flags, grid::sampleRate);
    lame_set_out_samplerate(flags, grid::sampleRate);
    lame_set_num_channels(flags, 2);
    lame_set_mode(flags, JOINT_STEREO);
    lame_set_VBR(flags, vbr_off);
    lame_set_brate(flags, 192);
    lame_set_quality(flags, 2);
    lame_set_bWriteVbrTag(flags, 1); // the tag carries the delay and padding for gapless decoding
    lame_set_write_id3tag_automatic(flags, 0);
    if (lame_init_params(flags) < 0) {
        error = "the MP3 encoder refused its settings";
        return false;
    }

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot create " + path;
        return false;
    }

    const size_t framesPerChunk = 8192;
    std::vector<unsigned char> output(framesPerChunk * 5 / 4 + 7200);
    const size_t totalFrames = interleaved.size() / 2;
    for (size_t done = 0; done < totalFrames; done += framesPerChunk) {
        size_t count = std::min(framesPerChunk, totalFrames - done);
        // The encoder does not change the input; its signature lacks the const.
        short* input = const_cast<short*>(interleaved.data() + done * 2);
        int written = lame_encode_buffer_interleaved(
            flags, input, static_cast<int>(count), output.data(), static_cast<int>(output.size()));
        if (written < 0 || std::fwrite(output.data(), 1, static_cast<size_t>(written),
                                       file.get()) != static_cast<size_t>(written)) {
            error = "encoding or writing " + path + " failed";
            return false;
        }
    }
    int written = lame_encode_flush(flags, output.data(), static_cast<int>(output.size()));
    if (written < 0 || std::fwrite(output.data(), 1, static_cast<size_t>(written), file.get()) !=
                           static_cast<size_t>(written)) {
        error = "finishing " + path + " failed";
        return false;
    }
    // The first frame of the stream was reserved for the tag; fill it in now
    // that the encoder knows the stream's length.
    std::vector<unsigned char> tag(8192);
    size_t tagSize = lame_get_lametag_frame(flags, tag.data(), tag.size());
    if (tagSize > 0) {
        if (std::fseek(file.get(), 0, SEEK_SET) != 0 ||
            std::fwrite(tag.data(), 1, tagSize, file.get()) != tagSize) {
            error = "writing the gapless tag of " + path + " failed";
            return false;
        }
    }
    if (std::fclose(file.release()) != 0) {
        error = "cannot finish writing " + path;
        return false;
    }
    return true;
}
