#include "capture/VideoWriter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "capture/Yuv420.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace {

// H.264 settings: the preset is the fastest one that keeps up with a capture
// at many times real time on two cores (see docs/performance.md); at this
// quality one-pixel lines and the blurred rows come through without visible
// loss.
constexpr const char* h264Preset = "superfast";
constexpr const char* h264Crf = "17";
constexpr int64_t aacBitRate = 192000;
// FFV1 cuts each picture into slices that are coded on separate threads.
constexpr int ffv1Slices = 4;

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, text, sizeof text) < 0)
        std::snprintf(text, sizeof text, "error %d", code);
    return text;
}

enum class Container { mp4, mkv };

// The extension of the last path component, lower case, with its dot; empty
// when the name has none.
std::string extensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

} // namespace

struct VideoWriter::State {
    Format format;
    std::string path;
    Container container = Container::mp4;

    AVFormatContext* output = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;

    int32_t soundFill = 0; // sample frames already in `sound`
    int64_t frames = 0;
    int64_t samples = 0;
    bool fileOpen = false;
    bool headerWritten = false;
    bool finished = false;
    bool finishResult = false;
    // The first failure after the file was opened; later calls report it.
    std::string failure;

    ~State() {
        if (output && fileOpen) avio_closep(&output->pb);
        avformat_free_context(output);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        av_frame_free(&picture);
        av_frame_free(&sound);
        av_packet_free(&packet);
    }

    bool fail(std::string& error, const std::string& what) {
        if (failure.empty()) failure = what;
        error = what;
        return false;
    }
    bool fail(std::string& error, const char* call, int code) {
        return fail(error, "'" + path + "': " + call + " failed: " + avError(code));
    }

    bool openVideo(std::string& error);
    bool openAudio(std::string& error);
    bool openFile(std::string& error);
    bool send(AVCodecContext* codec, AVStream* stream, const AVFrame* frame, std::string& error);
    bool sendSound(std::string& error);
};

bool VideoWriter::State::openVideo(std::string& error) {
    const AVCodec* codec = container == Container::mp4 ? avcodec_find_encoder_by_name("libx264")
                                                       : avcodec_find_encoder(AV_CODEC_ID_FFV1);
    if (!codec)
        return fail(error, container == Container::mp4
                               ? "this libavcodec has no H.264 encoder (libx264)"
                               : "this libavcodec has no FFV1 encoder");
    videoStream = avformat_new_stream(output, nullptr);
    video = avcodec_alloc_context3(codec);
    if (!videoStream || !video) return fail(error, "out of memory");

    video->width = format.width;
    video->height = format.height;
    video->time_base = AVRational{1, format.framesPerSecond};
    video->framerate = AVRational{format.framesPerSecond, 1};
    video->sample_aspect_ratio = AVRational{1, 1};
    int result = 0;
    if (container == Container::mp4) {
        video->pix_fmt = AV_PIX_FMT_YUV420P;
        video->color_primaries = AVCOL_PRI_BT709;
        video->color_trc = AVCOL_TRC_BT709;
        video->colorspace = AVCOL_SPC_BT709;
        video->color_range = AVCOL_RANGE_MPEG;
        video->chroma_sample_location = AVCHROMA_LOC_CENTER;
        video->thread_count = 0; // libx264 picks its frame threads from the cores
        if ((result = av_opt_set(video->priv_data, "preset", h264Preset, 0)) < 0 ||
            (result = av_opt_set(video->priv_data, "crf", h264Crf, 0)) < 0)
            return fail(error, "setting the H.264 options", result);
    } else {
        video->pix_fmt = AV_PIX_FMT_BGR0;
        video->color_primaries = AVCOL_PRI_BT709;
        video->color_trc = AVCOL_TRC_IEC61966_2_1;
        video->colorspace = AVCOL_SPC_RGB;
        video->color_range = AVCOL_RANGE_JPEG;
        video->level = 3; // the version of FFV1 that has slices
        video->slices = ffv1Slices;
        video->thread_count = 2;
        video->thread_type = FF_THREAD_SLICE;
    }
    if (output->oformat->flags & AVFMT_GLOBALHEADER) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((result = avcodec_open2(video, codec, nullptr)) < 0)
        return fail(error, "opening the video encoder", result);
    if ((result = avcodec_parameters_from_context(videoStream->codecpar, video)) < 0)
        return fail(error, "avcodec_parameters_from_context", result);
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = video->framerate;
    videoStream->r_frame_rate = video->framerate;

    picture = av_frame_alloc();
    if (!picture) return fail(error, "out of memory");
    picture->format = video->pix_fmt;
    picture->width = format.width;
    picture->height = format.height;
    picture->color_primaries = video->color_primaries;
    picture->color_trc = video->color_trc;
    picture->colorspace = video->colorspace;
    picture->color_range = video->color_range;
    picture->chroma_location = video->chroma_sample_location;
    if ((result = av_frame_get_buffer(picture, 0)) < 0)
        return fail(error, "allocating the picture", result);
    return true;
}

bool VideoWriter::State::openAudio(std::string& error) {
    const AVCodec* codec = container == Container::mp4 ? avcodec_find_encoder_by_name("aac")
                                                       : avcodec_find_encoder(AV_CODEC_ID_FLAC);
    if (!codec)
        return fail(error, container == Container::mp4 ? "this libavcodec has no AAC encoder"
                                                       : "this libavcodec has no FLAC encoder");
    if (codec->supported_samplerates) {
        bool supported = false;
        for (const int* rate = codec->supported_samplerates; *rate; ++rate)
            supported = supported || *rate == format.sampleRate;
        if (!supported)
            return fail(error, "sample rate " + std::to_string(format.sampleRate) +
                                   " Hz cannot be stored as " + codec->name);
    }
    // Both encoders accept a shorter last block; the sound's length is kept
    // to the sample only if they do.
    if (!(codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)))
        return fail(error,
                    std::string("the ") + codec->name + " encoder cannot end on a partial block");

    audioStream = avformat_new_stream(output, nullptr);
    audio = avcodec_alloc_context3(codec);
    if (!audioStream || !audio) return fail(error, "out of memory");
    audio->sample_rate = format.sampleRate;
    audio->time_base = AVRational{1, format.sampleRate};
    av_channel_layout_default(&audio->ch_layout, format.channels);
    if (container == Container::mp4) {
        audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
        audio->bit_rate = aacBitRate;
    } else {
        audio->sample_fmt = AV_SAMPLE_FMT_S16;
    }
    if (output->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(audio, codec, nullptr);
    if (result < 0) return fail(error, "opening the audio encoder", result);
    if ((result = avcodec_parameters_from_context(audioStream->codecpar, audio)) < 0)
        return fail(error, "avcodec_parameters_from_context", result);
    audioStream->time_base = audio->time_base;

    sound = av_frame_alloc();
    if (!sound) return fail(error, "out of memory");
    sound->format = audio->sample_fmt;
    sound->sample_rate = audio->sample_rate;
    sound->nb_samples = audio->frame_size > 0 ? audio->frame_size : 4096;
    if ((result = av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout)) < 0 ||
        (result = av_frame_get_buffer(sound, 0)) < 0)
        return fail(error, "allocating the sound block", result);
    return true;
}

bool VideoWriter::State::openFile(std::string& error) {
    int result = avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) return fail(error, "cannot create '" + path + "': " + avError(result));
    fileOpen = true;
    AVDictionary* options = nullptr;
    // The index goes to the front, so that players can start before the
    // whole file has arrived.
    if (container == Container::mp4) av_dict_set(&options, "movflags", "+faststart", 0);
    result = avformat_write_header(output, &options);
    av_dict_free(&options);
    if (result < 0) return fail(error, "writing the header", result);
    headerWritten = true;
    return true;
}

// Hands one frame (null: the end of the stream) to an encoder and writes out
// every packet it has ready.
bool VideoWriter::State::send(AVCodecContext* codec, AVStream* stream, const AVFrame* frame,
                              std::string& error) {
    int result = avcodec_send_frame(codec, frame);
    if (result < 0) return fail(error, "encoding", result);
    while (true) {
        result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return fail(error, "encoding", result);
        // Every video packet holds one picture.
        if (codec == video && packet->duration == 0) packet->duration = 1;
        packet->stream_index = stream->index;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        result = av_interleaved_write_frame(output, packet);
        if (result < 0) return fail(error, "writing", result);
    }
}

bool VideoWriter::State::sendSound(std::string& error) {
    sound->nb_samples = soundFill;
    sound->pts = samples - soundFill;
    soundFill = 0;
    return send(audio, audioStream, sound, error);
}

std::unique_ptr<VideoWriter> VideoWriter::open(const std::string& path, const Format& format,
                                               std::string& error) {
    const std::string extension = extensionOf(path);
    Container container;
    if (extension == ".mp4") {
        container = Container::mp4;
    } else if (extension == ".mkv") {
        container = Container::mkv;
    } else {
        error = "'" + path + "': " +
                (extension.empty() ? std::string("no file type")
                                   : "unsupported file type '" + extension + "'") +
                ": use .mp4 or .mkv";
        return nullptr;
    }
    if (format.width <= 0 || format.height <= 0 || format.width > 16384 || format.height > 16384) {
        error = "picture size " + std::to_string(format.width) + " x " +
                std::to_string(format.height) + " is not usable";
        return nullptr;
    }
    if (container == Container::mp4 && (format.width % 2 != 0 || format.height % 2 != 0)) {
        error = "picture size " + std::to_string(format.width) + " x " +
                std::to_string(format.height) + " must be even for .mp4 (4:2:0 colour)";
        return nullptr;
    }
    if (format.framesPerSecond <= 0 || format.framesPerSecond > 1000) {
        error = "frame rate " + std::to_string(format.framesPerSecond) + " is not usable";
        return nullptr;
    }
    if (format.sampleRate < 1000 || format.sampleRate > 384000) {
        error = "sample rate " + std::to_string(format.sampleRate) + " Hz is not usable";
        return nullptr;
    }
    if (format.channels != 1 && format.channels != 2) {
        error = std::to_string(format.channels) + " sound channels: only 1 or 2 are written";
        return nullptr;
    }

    // libav's encoders report their settings and statistics on stderr at the
    // information level; only warnings and errors are of use here.
    if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_WARNING);

    auto state = std::make_unique<State>();
    state->format = format;
    state->path = path;
    state->container = container;
    int result = avformat_alloc_output_context2(
        &state->output, nullptr, container == Container::mp4 ? "mp4" : "matroska", path.c_str());
    if (result < 0 || !state->output) {
        state->fail(error, "avformat_alloc_output_context2", result < 0 ? result : AVERROR_BUG);
        return nullptr;
    }
    state->packet = av_packet_alloc();
    if (!state->packet) {
        error = "out of memory";
        return nullptr;
    }
    if (!state->openVideo(error) || !state->openAudio(error)) return nullptr;
    if (!state->openFile(error)) {
        // Whatever was created is not a usable file.
        if (state->fileOpen) {
            avio_closep(&state->output->pb);
            state->fileOpen = false;
            std::remove(path.c_str());
        }
        return nullptr;
    }
    return std::unique_ptr<VideoWriter>(new VideoWriter(std::move(state)));
}

VideoWriter::VideoWriter(std::unique_ptr<State> s) : state(std::move(s)) {}

VideoWriter::~VideoWriter() {
    std::string ignored;
    if (!state->finished) finish(ignored);
}

bool VideoWriter::writeFrame(const uint32_t* pixels, int32_t pitch, std::string& error) {
    State& s = *state;
    if (s.finished) {
        error = "'" + s.path + "': the file is already finished";
        return false;
    }
    if (!s.failure.empty()) {
        error = s.failure;
        return false;
    }
    if (!pixels || pitch < s.format.width) {
        error = "writeFrame: no pixels, or rows closer than the picture's width";
        return false;
    }
    AVFrame* picture = s.picture;
    int result = av_frame_make_writable(picture);
    if (result < 0) return s.fail(error, "allocating the picture", result);
    if (s.container == Container::mp4) {
        convertToYuv420Bt709(pixels, pitch, s.format.width, s.format.height, picture->data[0],
                             picture->linesize[0], picture->data[1], picture->data[2],
                             picture->linesize[1]);
    } else {
        const size_t rowBytes = static_cast<size_t>(s.format.width) * 4;
        for (int32_t y = 0; y < s.format.height; ++y)
            std::memcpy(picture->data[0] + static_cast<ptrdiff_t>(y) * picture->linesize[0],
                        pixels + static_cast<ptrdiff_t>(y) * pitch, rowBytes);
    }
    picture->pts = s.frames;
    if (!s.send(s.video, s.videoStream, picture, error)) return false;
    ++s.frames;
    return true;
}

bool VideoWriter::writeAudio(const int16_t* samples, int64_t sampleFrames, std::string& error) {
    State& s = *state;
    if (s.finished) {
        error = "'" + s.path + "': the file is already finished";
        return false;
    }
    if (!s.failure.empty()) {
        error = s.failure;
        return false;
    }
    if (sampleFrames < 0 || (sampleFrames > 0 && !samples)) {
        error = "writeAudio: no samples, or a negative count";
        return false;
    }
    const int32_t channels = s.format.channels;
    const int32_t frameSize = s.audio->frame_size > 0 ? s.audio->frame_size : 4096;
    while (sampleFrames > 0) {
        if (s.soundFill == 0) {
            s.sound->nb_samples = frameSize;
            int result = av_frame_make_writable(s.sound);
            if (result < 0) return s.fail(error, "allocating the sound block", result);
        }
        const int32_t take =
            static_cast<int32_t>(std::min<int64_t>(sampleFrames, frameSize - s.soundFill));
        if (s.container == Container::mp4) {
            // AAC takes each channel as its own plane of floats.
            for (int32_t c = 0; c < channels; ++c) {
                float* plane = reinterpret_cast<float*>(s.sound->extended_data[c]) + s.soundFill;
                for (int32_t i = 0; i < take; ++i)
                    plane[i] = static_cast<float>(samples[i * channels + c]) * (1.0f / 32768.0f);
            }
        } else {
            std::memcpy(reinterpret_cast<int16_t*>(s.sound->data[0]) + s.soundFill * channels,
                        samples, static_cast<size_t>(take) * channels * sizeof(int16_t));
        }
        s.soundFill += take;
        s.samples += take;
        samples += static_cast<ptrdiff_t>(take) * channels;
        sampleFrames -= take;
        if (s.soundFill == frameSize && !s.sendSound(error)) return false;
    }
    return true;
}

bool VideoWriter::finish(std::string& error) {
    State& s = *state;
    if (s.finished) {
        if (!s.finishResult) error = s.failure;
        return s.finishResult;
    }
    s.finished = true;
    // After a failed write the encoders may be in any state; the file is
    // still closed off as well as it can be, and the first failure reported.
    std::string ignored;
    std::string& sink = s.failure.empty() ? error : ignored;
    bool ok = s.failure.empty();
    if (s.soundFill > 0) ok = s.sendSound(sink) && ok;
    ok = s.send(s.video, s.videoStream, nullptr, sink) && ok;
    ok = s.send(s.audio, s.audioStream, nullptr, sink) && ok;
    int result = av_write_trailer(s.output);
    if (result < 0) ok = s.fail(sink, "writing the trailer", result) && ok;
    result = avio_closep(&s.output->pb);
    s.fileOpen = false;
    if (result < 0) ok = s.fail(sink, "closing the file", result) && ok;
    s.finishResult = ok;
    if (!ok) error = s.failure;
    return ok;
}

const VideoWriter::Format& VideoWriter::format() const {
    return state->format;
}
int64_t VideoWriter::framesWritten() const {
    return state->frames;
}
int64_t VideoWriter::sampleFramesWritten() const {
    return state->samples;
}
