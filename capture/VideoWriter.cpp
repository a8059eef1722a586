#include "capture/VideoWriter.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "capture/Yuv420.h"
#include "platform/LibAv.h"

namespace {

// H.264: libx264's fastest preset with three of its tools put back: CABAC,
// two B-frames and the deblocking filter. On the show's frames at CRF 17 this
// gives a smaller file and a higher PSNR than the "superfast" preset for about
// 60 % of its encoding time, and one-pixel lines and blurred rows come
// through without visible loss (docs/performance.md).
constexpr const char* h264Preset = "ultrafast";
constexpr const char* h264Params = "cabac=1:bframes=2:deblock=0,0";
constexpr const char* h264Crf = "17";
constexpr int64_t aacBitRate = 192000;
// FFV1 cuts each picture into slices that are coded on separate threads.
constexpr int ffv1Slices = 4;
// The most sound, in seconds, that may wait for the sound thread before
// writeAudio waits for it.
constexpr int32_t soundQueueSeconds = 2;
// Pictures copied and waiting for the picture thread before writeFrame waits
// for it: enough to ride over an encoder's uneven pace, few enough to keep the
// memory small (half a megabyte each at the show's size).
constexpr size_t pictureQueueFrames = 4;

std::string avError(const LibAv& lib, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (lib.av_strerror(code, text, sizeof text) < 0)
        std::snprintf(text, sizeof text, "error %d", code);
    return text;
}

using Container = VideoWriter::FileType;

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

std::string checkFormat(const VideoWriter::Format& format, Container container) {
    const std::string size = std::to_string(format.width) + " x " + std::to_string(format.height);
    if (format.width <= 0 || format.height <= 0 || format.width > 16384 || format.height > 16384)
        return "picture size " + size + " is not usable";
    if (container == Container::mp4 && (format.width % 2 != 0 || format.height % 2 != 0))
        return "picture size " + size + " must be even for .mp4 (4:2:0 colour)";
    if (format.framesPerSecond <= 0 || format.framesPerSecond > 1000)
        return "frame rate " + std::to_string(format.framesPerSecond) + " is not usable";
    if (format.sampleRate < 1000 || format.sampleRate > 384000)
        return "sample rate " + std::to_string(format.sampleRate) + " Hz is not usable";
    if (format.channels != 1 && format.channels != 2)
        return std::to_string(format.channels) + " sound channels: only 1 or 2 are written";
    return {};
}

} // namespace

// Pictures are copied on the caller's thread and queued; a thread of the
// writer's own converts them and hands them to the video encoder (libx264 and
// FFV1 spread their work over threads of their own), so that the caller draws
// the next frames while the encoder works. Sound is queued and encoded on a
// thread of its own too, so that the AAC encoder's work overlaps the
// pictures'. Both threads write packets to the one muxer, under `muxMutex`.
struct VideoWriter::State {
    explicit State(const LibAv& lib) : lib(lib) {}

    const LibAv& lib; // every libav call goes through it
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
    AVPacket* videoPacket = nullptr;
    AVPacket* soundPacket = nullptr;
    bool fileOpen = false;
    std::mutex muxMutex;

    // The caller's side.
    int64_t frames = 0;
    int64_t samples = 0; // sample frames accepted by writeAudio
    bool finished = false;
    bool finishResult = false;
    std::string failure; // the first failure; later calls report it

    // Between the caller and the sound thread, under soundMutex.
    std::thread soundThread;
    std::mutex soundMutex;
    std::condition_variable soundWake; // samples have come, or the end
    std::condition_variable soundRoom; // the queue has room, or the thread failed
    std::vector<int16_t> soundQueue;   // interleaved, not yet taken by the thread
    bool soundEnd = false;
    std::string soundFailure;

    // The sound thread's own.
    int32_t soundFill = 0; // sample frames already in `sound`
    int64_t soundPts = 0;  // the first sample frame of `sound`

    // Between the caller and the picture thread, under pictureMutex.
    std::thread pictureThread;
    std::mutex pictureMutex;
    std::condition_variable pictureWake;              // a picture has come, or the end
    std::condition_variable pictureRoom;              // the queue has room, or the thread failed
    std::deque<std::vector<uint32_t>> pictureQueue;   // width × height, rows back to back
    std::vector<std::vector<uint32_t>> sparePictures; // taken by the thread, for reuse
    bool pictureEnd = false;
    std::string pictureFailure;

    // The picture thread's own.
    int64_t picturesEncoded = 0;

    // Which thread failed first, when more than one does.
    std::mutex failureMutex;
    std::string firstThreadFailure;

    ~State() {
        stopPictures();
        stopSound();
        if (output && fileOpen) lib.avio_closep(&output->pb);
        lib.avformat_free_context(output);
        lib.avcodec_free_context(&video);
        lib.avcodec_free_context(&audio);
        lib.av_frame_free(&picture);
        lib.av_frame_free(&sound);
        lib.av_packet_free(&videoPacket);
        lib.av_packet_free(&soundPacket);
    }

    std::string libavFailure(const char* what, int code) const {
        return "'" + path + "': " + what + " failed: " + avError(lib, code);
    }
    bool fail(std::string& error, const std::string& what) {
        if (failure.empty()) failure = what;
        error = what;
        return false;
    }
    // The first failure of any thread, or empty.
    std::string currentFailure() {
        if (!failure.empty()) return failure;
        std::lock_guard<std::mutex> lock(failureMutex);
        return firstThreadFailure;
    }
    void noteThreadFailure(const std::string& what) {
        std::lock_guard<std::mutex> lock(failureMutex);
        if (firstThreadFailure.empty()) firstThreadFailure = what;
    }

    std::string openVideo();
    std::string openAudio();
    std::string openFile();
    std::string encode(AVCodecContext* codec, AVStream* stream, AVPacket* packet,
                       const AVFrame* frame);
    void soundLoop();
    void pictureLoop();
    std::string encodePicture(const uint32_t* pixels);
    std::string stopPictures();
    std::string encodeSound(const int16_t* samples, int64_t sampleFrames);
    std::string sendSoundBlock();
    std::string stopSound();
};

std::string VideoWriter::State::openVideo() {
    const AVCodec* codec = container == Container::mp4 ? lib.avcodec_find_encoder_by_name("libx264")
                                                       : lib.avcodec_find_encoder(AV_CODEC_ID_FFV1);
    if (!codec)
        return container == Container::mp4 ? "this libavcodec has no H.264 encoder (libx264)"
                                           : "this libavcodec has no FFV1 encoder";
    videoStream = lib.avformat_new_stream(output, nullptr);
    video = lib.avcodec_alloc_context3(codec);
    picture = lib.av_frame_alloc();
    if (!videoStream || !video || !picture) return "out of memory";

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
        video->thread_count = 0; // libx264 sizes its frame threads to the cores
        if ((result = lib.av_opt_set(video->priv_data, "preset", h264Preset, 0)) < 0 ||
            (result = lib.av_opt_set(video->priv_data, "x264-params", h264Params, 0)) < 0 ||
            (result = lib.av_opt_set(video->priv_data, "crf", h264Crf, 0)) < 0)
            return libavFailure("setting the H.264 options", result);
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
    if ((result = lib.avcodec_open2(video, codec, nullptr)) < 0)
        return libavFailure("opening the video encoder", result);
    if ((result = lib.avcodec_parameters_from_context(videoStream->codecpar, video)) < 0)
        return libavFailure("setting the video stream's parameters", result);
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = video->framerate;
    videoStream->r_frame_rate = video->framerate;

    picture->format = video->pix_fmt;
    picture->width = format.width;
    picture->height = format.height;
    picture->color_primaries = video->color_primaries;
    picture->color_trc = video->color_trc;
    picture->colorspace = video->colorspace;
    picture->color_range = video->color_range;
    picture->chroma_location = video->chroma_sample_location;
    if ((result = lib.av_frame_get_buffer(picture, 0)) < 0)
        return libavFailure("allocating the picture", result);
    return {};
}

std::string VideoWriter::State::openAudio() {
    const AVCodec* codec = container == Container::mp4 ? lib.avcodec_find_encoder_by_name("aac")
                                                       : lib.avcodec_find_encoder(AV_CODEC_ID_FLAC);
    if (!codec)
        return container == Container::mp4 ? "this libavcodec has no AAC encoder"
                                           : "this libavcodec has no FLAC encoder";
    if (codec->supported_samplerates) {
        bool supported = false;
        for (const int* rate = codec->supported_samplerates; *rate; ++rate)
            supported = supported || *rate == format.sampleRate;
        if (!supported)
            return "sample rate " + std::to_string(format.sampleRate) + " Hz cannot be stored as " +
                   codec->name;
    }
    // The stored sound keeps its exact length only if the last block may be
    // short.
    if (!(codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)))
        return std::string("the ") + codec->name + " encoder cannot end on a partial block";

    audioStream = lib.avformat_new_stream(output, nullptr);
    audio = lib.avcodec_alloc_context3(codec);
    sound = lib.av_frame_alloc();
    if (!audioStream || !audio || !sound) return "out of memory";
    audio->sample_rate = format.sampleRate;
    audio->time_base = AVRational{1, format.sampleRate};
    lib.av_channel_layout_default(&audio->ch_layout, format.channels);
    if (container == Container::mp4) {
        audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
        audio->bit_rate = aacBitRate;
    } else {
        audio->sample_fmt = AV_SAMPLE_FMT_S16;
    }
    if (output->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = lib.avcodec_open2(audio, codec, nullptr);
    if (result < 0) return libavFailure("opening the audio encoder", result);
    if ((result = lib.avcodec_parameters_from_context(audioStream->codecpar, audio)) < 0)
        return libavFailure("setting the audio stream's parameters", result);
    audioStream->time_base = audio->time_base;

    sound->format = audio->sample_fmt;
    sound->sample_rate = audio->sample_rate;
    sound->nb_samples = audio->frame_size > 0 ? audio->frame_size : 4096;
    if ((result = lib.av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout)) < 0 ||
        (result = lib.av_frame_get_buffer(sound, 0)) < 0)
        return libavFailure("allocating the sound block", result);
    return {};
}

std::string VideoWriter::State::openFile() {
    int result = lib.avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) return "cannot create '" + path + "': " + avError(lib, result);
    fileOpen = true;
    AVDictionary* options = nullptr;
    // The index goes to the front, so that players can start before the
    // whole file has arrived.
    if (container == Container::mp4 &&
        (result = lib.av_dict_set(&options, "movflags", "+faststart", 0)) < 0)
        return libavFailure("setting the container options", result);
    result = lib.avformat_write_header(output, &options);
    lib.av_dict_free(&options);
    if (result < 0) return libavFailure("writing the header", result);
    return {};
}

// Hands one frame (null: the end of the stream) to an encoder and writes out
// every packet it has ready. Returns the failure, or empty.
std::string VideoWriter::State::encode(AVCodecContext* codec, AVStream* stream, AVPacket* packet,
                                       const AVFrame* frame) {
    const bool isVideo = codec == video;
    int result = lib.avcodec_send_frame(codec, frame);
    if (result < 0)
        return libavFailure(isVideo ? "encoding a picture" : "encoding the sound", result);
    while (true) {
        result = lib.avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return {};
        if (result < 0)
            return libavFailure(isVideo ? "encoding a picture" : "encoding the sound", result);
        if (isVideo && packet->duration == 0) packet->duration = 1; // one picture a packet
        packet->stream_index = stream->index;
        lib.av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        std::lock_guard<std::mutex> lock(muxMutex);
        result = lib.av_interleaved_write_frame(output, packet);
        if (result < 0) return libavFailure("writing", result);
    }
}

void VideoWriter::State::soundLoop() {
    std::vector<int16_t> batch;
    while (true) {
        bool end = false;
        {
            std::unique_lock<std::mutex> lock(soundMutex);
            soundWake.wait(lock, [&] { return !soundQueue.empty() || soundEnd; });
            batch.clear();
            batch.swap(soundQueue);
            end = soundEnd;
        }
        soundRoom.notify_all();
        std::string error =
            encodeSound(batch.data(), static_cast<int64_t>(batch.size()) / format.channels);
        if (error.empty() && end) {
            if (soundFill > 0) error = sendSoundBlock();
            if (error.empty()) error = encode(audio, audioStream, soundPacket, nullptr);
        }
        if (!error.empty()) {
            noteThreadFailure(error);
            std::lock_guard<std::mutex> lock(soundMutex);
            soundFailure = error;
            soundRoom.notify_all();
            return;
        }
        if (end) return;
    }
}

void VideoWriter::State::pictureLoop() {
    while (true) {
        std::vector<uint32_t> pixels;
        {
            std::unique_lock<std::mutex> lock(pictureMutex);
            pictureWake.wait(lock, [&] { return !pictureQueue.empty() || pictureEnd; });
            if (pictureQueue.empty()) return; // the end, with everything encoded
            pixels = std::move(pictureQueue.front());
            pictureQueue.pop_front();
        }
        pictureRoom.notify_all();
        const std::string error = encodePicture(pixels.data());
        std::lock_guard<std::mutex> lock(pictureMutex);
        if (!error.empty()) {
            noteThreadFailure(error);
            pictureFailure = error;
            pictureQueue.clear();
            pictureRoom.notify_all();
            return;
        }
        sparePictures.push_back(std::move(pixels));
        pictureRoom.notify_all();
    }
}

// Converts one picture (rows back to back) for the encoder and encodes it.
std::string VideoWriter::State::encodePicture(const uint32_t* pixels) {
    // The encoder may still hold the last picture.
    int result = lib.av_frame_make_writable(picture);
    if (result < 0) return libavFailure("allocating the picture", result);
    const int32_t width = format.width;
    if (container == Container::mp4) {
        convertToYuv420Bt709(pixels, width, width, format.height, picture->data[0],
                             picture->linesize[0], picture->data[1], picture->data[2],
                             picture->linesize[1]);
    } else {
        const size_t rowBytes = static_cast<size_t>(width) * 4;
        for (int32_t y = 0; y < format.height; ++y)
            std::memcpy(picture->data[0] + static_cast<ptrdiff_t>(y) * picture->linesize[0],
                        pixels + static_cast<ptrdiff_t>(y) * width, rowBytes);
    }
    picture->pts = picturesEncoded++;
    return encode(video, videoStream, videoPacket, picture);
}

// Lets the picture thread encode what is queued and end. Returns its
// failure, or empty.
std::string VideoWriter::State::stopPictures() {
    if (!pictureThread.joinable()) return {};
    {
        std::lock_guard<std::mutex> lock(pictureMutex);
        pictureEnd = true;
    }
    pictureWake.notify_all();
    pictureThread.join();
    return pictureFailure;
}

// Cuts the samples into the encoder's blocks; a block not yet full waits in
// `sound` for more.
std::string VideoWriter::State::encodeSound(const int16_t* samples, int64_t sampleFrames) {
    const int32_t channels = format.channels;
    const int32_t blockSize = audio->frame_size > 0 ? audio->frame_size : 4096;
    while (sampleFrames > 0) {
        if (soundFill == 0) {
            sound->nb_samples = blockSize;
            // The encoder may still hold the last block.
            int result = lib.av_frame_make_writable(sound);
            if (result < 0) return libavFailure("allocating the sound block", result);
        }
        const int32_t take =
            static_cast<int32_t>(std::min<int64_t>(sampleFrames, blockSize - soundFill));
        if (container == Container::mp4) {
            // AAC takes each channel as its own plane of floats.
            for (int32_t c = 0; c < channels; ++c) {
                float* plane = reinterpret_cast<float*>(sound->extended_data[c]) + soundFill;
                for (int32_t i = 0; i < take; ++i)
                    plane[i] = static_cast<float>(samples[i * channels + c]) * (1.0f / 32768.0f);
            }
        } else {
            std::memcpy(reinterpret_cast<int16_t*>(sound->data[0]) + soundFill * channels, samples,
                        static_cast<size_t>(take) * channels * sizeof(int16_t));
        }
        soundFill += take;
        samples += static_cast<ptrdiff_t>(take) * channels;
        sampleFrames -= take;
        if (soundFill == blockSize) {
            std::string error = sendSoundBlock();
            if (!error.empty()) return error;
        }
    }
    return {};
}

std::string VideoWriter::State::sendSoundBlock() {
    sound->nb_samples = soundFill;
    sound->pts = soundPts;
    soundPts += soundFill;
    soundFill = 0;
    return encode(audio, audioStream, soundPacket, sound);
}

// Lets the sound thread encode what is queued, flush its encoder and end.
// Returns its failure, or empty.
std::string VideoWriter::State::stopSound() {
    if (!soundThread.joinable()) return {};
    {
        std::lock_guard<std::mutex> lock(soundMutex);
        soundEnd = true;
    }
    soundWake.notify_all();
    soundThread.join();
    return soundFailure;
}

bool VideoWriter::fileTypeOf(const std::string& path, FileType& type, std::string& error) {
    const std::string extension = extensionOf(path);
    if (extension == ".mp4") {
        type = FileType::mp4;
        return true;
    }
    if (extension == ".mkv") {
        type = FileType::mkv;
        return true;
    }
    error = "'" + path + "': " +
            (extension.empty() ? std::string("no file type")
                               : "unsupported file type '" + extension + "'") +
            ": use .mp4 or .mkv";
    return false;
}

std::unique_ptr<VideoWriter> VideoWriter::open(const std::string& path, const Format& format,
                                               std::string& error) {
    FileType type;
    if (!fileTypeOf(path, type, error)) return nullptr;
    return open(path, type, format, error);
}

std::unique_ptr<VideoWriter> VideoWriter::open(const std::string& path, FileType container,
                                               const Format& format, std::string& error) {
    error = checkFormat(format, container);
    if (!error.empty()) return nullptr;
    // libav is loaded by the first video capture, not at start-up.
    const LibAv* loaded = sharedLibAv(error);
    if (!loaded) {
        error = "video capture needs " + error;
        return nullptr;
    }
    const LibAv& lib = *loaded;

    // libav's encoders report their settings and statistics on stderr at the
    // information level; only warnings and errors are of use here.
    if (lib.av_log_get_level() == AV_LOG_INFO) lib.av_log_set_level(AV_LOG_WARNING);

    auto state = std::make_unique<State>(lib);
    state->format = format;
    state->path = path;
    state->container = container;
    int result = lib.avformat_alloc_output_context2(
        &state->output, nullptr, container == Container::mp4 ? "mp4" : "matroska", path.c_str());
    if (result < 0 || !state->output) {
        error = state->libavFailure("setting up the container", result < 0 ? result : AVERROR_BUG);
        return nullptr;
    }
    state->videoPacket = lib.av_packet_alloc();
    state->soundPacket = lib.av_packet_alloc();
    if (!state->videoPacket || !state->soundPacket) {
        error = "out of memory";
        return nullptr;
    }
    struct stat before {};
    const bool existed = lstat(path.c_str(), &before) == 0;
    error = state->openVideo();
    if (error.empty()) error = state->openAudio();
    if (error.empty()) error = state->openFile();
    if (error.empty()) {
        State* s = state.get();
        try {
            s->soundThread = std::thread([s] { s->soundLoop(); });
            s->pictureThread = std::thread([s] { s->pictureLoop(); });
        } catch (const std::system_error& e) {
            error = std::string("cannot start the encoding threads: ") + e.what();
        }
    }
    if (!error.empty()) {
        if (state->fileOpen) {
            lib.avio_closep(&state->output->pb);
            state->fileOpen = false;
            // What this call created is not a usable file; what was there
            // before (a file, a link) is not this program's to remove.
            if (!existed) std::remove(path.c_str());
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
    const std::string failure = s.currentFailure();
    if (!failure.empty()) return s.fail(error, failure);
    if (!pixels || pitch < s.format.width) {
        error = "writeFrame: no pixels, or rows closer than the picture's width";
        return false;
    }
    const int32_t width = s.format.width, height = s.format.height;
    std::vector<uint32_t> copy;
    {
        std::unique_lock<std::mutex> lock(s.pictureMutex);
        s.pictureRoom.wait(lock, [&] {
            return s.pictureQueue.size() < pictureQueueFrames || !s.pictureFailure.empty();
        });
        if (!s.pictureFailure.empty()) {
            lock.unlock();
            return s.fail(error, s.currentFailure());
        }
        if (!s.sparePictures.empty()) {
            copy = std::move(s.sparePictures.back());
            s.sparePictures.pop_back();
        }
    }
    // The copy is made outside the lock, so the thread goes on meanwhile.
    copy.resize(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(copy.data() + static_cast<ptrdiff_t>(y) * width,
                    pixels + static_cast<ptrdiff_t>(y) * pitch, static_cast<size_t>(width) * 4);
    {
        std::lock_guard<std::mutex> lock(s.pictureMutex);
        s.pictureQueue.push_back(std::move(copy));
    }
    s.pictureWake.notify_one();
    ++s.frames;
    return true;
}

bool VideoWriter::writeAudio(const int16_t* samples, int64_t sampleFrames, std::string& error) {
    State& s = *state;
    if (s.finished) {
        error = "'" + s.path + "': the file is already finished";
        return false;
    }
    if (const std::string failure = s.currentFailure(); !failure.empty())
        return s.fail(error, failure);
    if (sampleFrames < 0 || (sampleFrames > 0 && !samples)) {
        error = "writeAudio: no samples, or a negative count";
        return false;
    }
    const size_t values = static_cast<size_t>(sampleFrames) * s.format.channels;
    const size_t limit =
        static_cast<size_t>(s.format.sampleRate) * s.format.channels * soundQueueSeconds;
    {
        std::unique_lock<std::mutex> lock(s.soundMutex);
        s.soundRoom.wait(lock,
                         [&] { return s.soundQueue.size() < limit || !s.soundFailure.empty(); });
        if (!s.soundFailure.empty()) {
            lock.unlock();
            return s.fail(error, s.currentFailure());
        }
        s.soundQueue.insert(s.soundQueue.end(), samples, samples + values);
    }
    s.soundWake.notify_one();
    s.samples += sampleFrames;
    return true;
}

bool VideoWriter::finish(std::string& error) {
    State& s = *state;
    if (s.finished) {
        if (!s.finishResult) error = s.failure;
        return s.finishResult;
    }
    s.finished = true;
    // After a failure the file is still closed off as well as it can be, and
    // the first failure is the one reported.
    auto note = [&](const std::string& failure) {
        if (s.failure.empty()) s.failure = failure;
    };
    // The threads' failures in the order they happened, then the rest.
    const std::string pictureFailure = s.stopPictures();
    const std::string soundFailure = s.stopSound();
    note(s.currentFailure());
    note(pictureFailure);
    note(soundFailure);
    note(s.encode(s.video, s.videoStream, s.videoPacket, nullptr));
    int result = s.lib.av_write_trailer(s.output);
    if (result < 0) note(s.libavFailure("writing the trailer", result));
    result = s.lib.avio_closep(&s.output->pb);
    s.fileOpen = false;
    if (result < 0) note(s.libavFailure("closing the file", result));
    s.finishResult = s.failure.empty();
    if (!s.finishResult) error = s.failure;
    return s.finishResult;
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
