// The video writer, checked by reading its files back with libavformat and
// decoding them with libavcodec; and the BGR to YCbCr 4:2:0 conversion it uses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "capture/VideoWriter.h"
#include "capture/Yuv420.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Reading a file back.

struct Planes { // one decoded 4:2:0 picture
    std::vector<uint8_t> y, cb, cr;
};

struct ReadBack {
    std::string error; // empty when the file opened and decoded cleanly
    AVCodecID videoCodec = AV_CODEC_ID_NONE, audioCodec = AV_CODEC_ID_NONE;
    AVRational frameRate{0, 1};
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    AVColorSpace colorSpace = AVCOL_SPC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
    int width = 0, height = 0, sampleRate = 0, channels = 0;
    double videoSeconds = -1, audioSeconds = -1; // the streams' durations, where stored
    std::vector<int64_t> picturePts;             // in the stream's time base
    AVRational videoTimeBase{0, 1};
    std::vector<std::vector<uint32_t>> bgr0; // FFV1 pictures
    std::vector<Planes> yuv;                 // H.264 pictures
    int64_t audioSamples = 0;                // decoded sample frames
    std::vector<int16_t> s16;                // FLAC sound, interleaved
};

struct Decoder {
    AVCodecContext* context = nullptr;
    ~Decoder() { avcodec_free_context(&context); }
};

void takeFrame(ReadBack& out, const AVFrame* frame, bool isVideo) {
    if (isVideo) {
        out.picturePts.push_back(frame->best_effort_timestamp);
        if (frame->format == AV_PIX_FMT_BGR0) {
            std::vector<uint32_t> pixels(static_cast<size_t>(frame->width) * frame->height);
            for (int y = 0; y < frame->height; ++y)
                std::memcpy(&pixels[static_cast<size_t>(y) * frame->width],
                            frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0],
                            static_cast<size_t>(frame->width) * 4);
            out.bgr0.push_back(std::move(pixels));
        } else if (frame->format == AV_PIX_FMT_YUV420P) {
            Planes planes;
            auto copy = [&](std::vector<uint8_t>& to, int plane, int w, int h) {
                for (int y = 0; y < h; ++y)
                    to.insert(to.end(), frame->data[plane] + y * frame->linesize[plane],
                              frame->data[plane] + y * frame->linesize[plane] + w);
            };
            copy(planes.y, 0, frame->width, frame->height);
            copy(planes.cb, 1, frame->width / 2, frame->height / 2);
            copy(planes.cr, 2, frame->width / 2, frame->height / 2);
            out.yuv.push_back(std::move(planes));
        } else if (out.error.empty()) {
            out.error = "unexpected picture format " + std::to_string(frame->format);
        }
    } else {
        out.audioSamples += frame->nb_samples;
        if (frame->format == AV_SAMPLE_FMT_S16) {
            const auto* s = reinterpret_cast<const int16_t*>(frame->data[0]);
            out.s16.insert(out.s16.end(), s, s + frame->nb_samples * out.channels);
        }
    }
}

bool drain(ReadBack& out, AVCodecContext* codec, AVFrame* frame, bool isVideo) {
    while (true) {
        int result = avcodec_receive_frame(codec, frame);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return false;
        takeFrame(out, frame, isVideo);
        av_frame_unref(frame);
    }
}

ReadBack readBack(const std::string& path) {
    ReadBack out;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) {
        out.error = "cannot open";
        return out;
    }
    Decoder decoders[2];
    int streamOf[2] = {-1, -1}; // 0 video, 1 audio
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (avformat_find_stream_info(input, nullptr) < 0) out.error = "no stream info";
    for (unsigned i = 0; i < input->nb_streams && out.error.empty(); ++i) {
        const AVStream* stream = input->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        const bool isVideo = par->codec_type == AVMEDIA_TYPE_VIDEO;
        if (!isVideo && par->codec_type != AVMEDIA_TYPE_AUDIO) continue;
        const int k = isVideo ? 0 : 1;
        streamOf[k] = static_cast<int>(i);
        const double seconds =
            stream->duration == AV_NOPTS_VALUE ? -1 : stream->duration * av_q2d(stream->time_base);
        if (isVideo) {
            out.videoCodec = par->codec_id;
            out.frameRate = stream->avg_frame_rate;
            out.primaries = par->color_primaries;
            out.transfer = par->color_trc;
            out.colorSpace = par->color_space;
            out.range = par->color_range;
            out.width = par->width;
            out.height = par->height;
            out.videoSeconds = seconds;
            out.videoTimeBase = stream->time_base;
        } else {
            out.audioCodec = par->codec_id;
            out.sampleRate = par->sample_rate;
            out.channels = par->ch_layout.nb_channels;
            out.audioSeconds = seconds;
        }
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        decoders[k].context = avcodec_alloc_context3(codec);
        if (!codec || avcodec_parameters_to_context(decoders[k].context, par) < 0 ||
            avcodec_open2(decoders[k].context, codec, nullptr) < 0)
            out.error = "cannot open a decoder";
        decoders[k].context->pkt_timebase = stream->time_base;
    }
    while (out.error.empty() && av_read_frame(input, packet) >= 0) {
        for (int k = 0; k < 2; ++k) {
            if (packet->stream_index != streamOf[k]) continue;
            if (avcodec_send_packet(decoders[k].context, packet) < 0 ||
                !drain(out, decoders[k].context, frame, k == 0))
                out.error = "decoding failed";
        }
        av_packet_unref(packet);
    }
    for (int k = 0; k < 2 && out.error.empty(); ++k) {
        if (!decoders[k].context) continue;
        avcodec_send_packet(decoders[k].context, nullptr);
        if (!drain(out, decoders[k].context, frame, k == 0)) out.error = "decoding failed";
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&input);
    return out;
}

// ---------------------------------------------------------------------------
// Test pictures and files.

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() /
               ("capture_writer_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const char* name) const { return (path / name).string(); }
};

// A moving scene like the show's: a picture of smooth gradients and fine
// detail scrolling up a row a frame, one-pixel lines in white and in colour
// moving across it, and a band of rows blurred horizontally.
std::vector<uint32_t> showLikePicture(int32_t width, int32_t height, int32_t frame) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t v = y + frame; // the row of the scrolling picture
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t r = static_cast<uint32_t>(x * 255 / width);
            const uint32_t g = static_cast<uint32_t>(v * 3) & 0xFF;
            const uint32_t b =
                static_cast<uint32_t>(96 + 64 * std::sin(x * 0.3) * std::cos(v * 0.2));
            pixels[static_cast<size_t>(y) * width + x] = (r << 16) | (g << 8) | b;
        }
    }
    for (int32_t i = 0; i < 12; ++i) { // lines of slope 1/3 and vertical ones
        for (int32_t x = 0; x < width; ++x) {
            const int32_t y = (x / 3 + i * 20 + frame) % height;
            pixels[static_cast<size_t>(y) * width + x] = i % 2 ? 0xFFFFFF : 0x3050FF;
        }
        for (int32_t y = 0; y < height; ++y)
            pixels[static_cast<size_t>(y) * width + (i * 41 + frame) % width] = 0xE0E0E0;
    }
    for (int32_t y = height / 2; y < height / 2 + 16; ++y) { // a blurred band
        uint32_t* row = &pixels[static_cast<size_t>(y) * width];
        std::vector<uint32_t> copy(row, row + width);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t sum[3] = {};
            for (int32_t d = -6; d <= 6; ++d) {
                const uint32_t p = copy[static_cast<size_t>(std::clamp(x + d, 0, width - 1))];
                for (int c = 0; c < 3; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
            }
            row[x] = (sum[2] / 13) << 16 | (sum[1] / 13) << 8 | sum[0] / 13;
        }
    }
    return pixels;
}

std::vector<int16_t> randomSound(std::mt19937& rng, int64_t sampleFrames, int32_t channels) {
    std::vector<int16_t> sound(static_cast<size_t>(sampleFrames * channels));
    int32_t level = 0;
    for (int16_t& s : sound) { // a random walk, so FLAC has something to predict
        level = std::clamp(level + static_cast<int32_t>(rng() % 2001) - 1000, -32768, 32767);
        s = static_cast<int16_t>(level);
    }
    return sound;
}

// Writes `sound` in chunks of random sizes (some empty), between the frames.
struct ChunkedSound {
    const std::vector<int16_t>& sound;
    int32_t channels;
    size_t next = 0; // sample frames written so far
    bool write(VideoWriter& writer, std::mt19937& rng, size_t upTo, std::string& error) {
        const size_t total = sound.size() / static_cast<size_t>(channels);
        upTo = std::min(upTo, total);
        while (next < upTo) {
            const size_t take = std::min<size_t>(upTo - next, rng() % 3000);
            if (!writer.writeAudio(sound.data() + next * channels, static_cast<int64_t>(take),
                                   error))
                return false;
            next += take;
        }
        return true;
    }
};

double psnr(double squaredErrorSum, size_t count) {
    return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(count) / squaredErrorSum);
}

// ---------------------------------------------------------------------------
// The colour conversion.

struct ExactYuv {
    double y, cb, cr;
};
ExactYuv exactBt709(double r, double g, double b) {
    const double luma = (0.2126 * r + 0.7152 * g + 0.0722 * b) / 255.0;
    return {16.0 + 219.0 * luma, 128.0 + 224.0 * (b / 255.0 - luma) / 1.8556,
            128.0 + 224.0 * (r / 255.0 - luma) / 1.5748};
}

TEST(CaptureYuv420, EveryOutputIsTheRoundedBt709Value) {
    // 2 × 2 blocks side by side in a picture 512 wide (so the vector loops
    // run): blocks of one colour over a grid of colours, then blocks of four
    // random pixels for the chroma averaging. Fourth bytes are random.
    std::mt19937 rng(7);
    std::vector<std::array<uint32_t, 4>> blocks;
    for (uint32_t r = 0; r < 256; r += 5)
        for (uint32_t g = 0; g < 256; g += 3)
            for (uint32_t b = 0; b < 256; b += 5) {
                const uint32_t p = r << 16 | g << 8 | b;
                const uint32_t high = static_cast<uint32_t>(rng()) << 24;
                blocks.push_back({p, p | high, p | (high >> 1 & 0xFF000000u), p});
            }
    for (int i = 0; i < 100000; ++i)
        blocks.push_back({static_cast<uint32_t>(rng()), static_cast<uint32_t>(rng()),
                          static_cast<uint32_t>(rng()), static_cast<uint32_t>(rng())});
    const int32_t width = 512, perRow = width / 2;
    blocks.resize((blocks.size() + perRow - 1) / perRow * perRow, {});
    const int32_t height = static_cast<int32_t>(blocks.size() / perRow) * 2;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < blocks.size(); ++i) {
        const size_t x = i % perRow * 2, y = i / perRow * 2;
        pixels[y * width + x] = blocks[i][0];
        pixels[y * width + x + 1] = blocks[i][1];
        pixels[(y + 1) * width + x] = blocks[i][2];
        pixels[(y + 1) * width + x + 1] = blocks[i][3];
    }
    std::vector<uint8_t> luma(pixels.size()), cb(pixels.size() / 4), cr(pixels.size() / 4);
    convertToYuv420Bt709(pixels.data(), width, width, height, luma.data(), width, cb.data(),
                         cr.data(), width / 2);

    double worst = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t p = pixels[i];
        const double exact = exactBt709((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF).y;
        worst = std::max(worst, std::abs(luma[i] - exact));
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
        double sum[3] = {};
        for (const uint32_t p : blocks[i])
            for (int c = 0; c < 3; ++c) sum[c] += (p >> (16 - 8 * c)) & 0xFF;
        const ExactYuv mean = exactBt709(sum[0] / 4, sum[1] / 4, sum[2] / 4);
        worst = std::max({worst, std::abs(cb[i] - mean.cb), std::abs(cr[i] - mean.cr)});
    }
    EXPECT_LE(worst, 0.5 + 1.0 / 128);
}

TEST(CaptureYuv420, RangeEndsGreyAndLayout) {
    // Black, white, the primaries, and grey at every level: exact ends of the
    // limited range, grey without colour.
    struct Case {
        uint32_t pixel;
        uint8_t y, cb, cr;
    };
    for (const Case& c :
         {Case{0x000000, 16, 128, 128}, Case{0xFFFFFF, 235, 128, 128}, Case{0xFF0000, 63, 102, 240},
          Case{0x00FF00, 173, 42, 26}, Case{0x0000FF, 32, 240, 118}}) {
        const uint32_t block[4] = {c.pixel, c.pixel, c.pixel, c.pixel | 0xFF000000u};
        uint8_t y[4], cb, cr;
        convertToYuv420Bt709(block, 2, 2, 2, y, 2, &cb, &cr, 1);
        EXPECT_EQ((std::vector<int>{y[0], y[3], cb, cr}), (std::vector<int>{c.y, c.y, c.cb, c.cr}))
            << std::hex << c.pixel;
    }
    for (uint32_t v = 0; v < 256; ++v) {
        const uint32_t p = v * 0x010101u;
        const uint32_t block[4] = {p, p, p, p};
        uint8_t y[4], cb, cr;
        convertToYuv420Bt709(block, 2, 2, 2, y, 2, &cb, &cr, 1);
        ASSERT_EQ(cb, 128);
        ASSERT_EQ(cr, 128);
        ASSERT_EQ(y[0], static_cast<int>(std::lround(16 + 219.0 * v / 255)));
    }

    // Pitches wider than the picture: each output lands in its own place and
    // nothing past the picture's width is read or written.
    const int32_t width = 6, height = 4, pitch = 9, lumaPitch = 8, chromaPitch = 5;
    std::vector<uint32_t> pixels(pitch * height, 0xFFFFFF); // beyond the width: white
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) pixels[y * pitch + x] = 0x000000;
    pixels[1 * pitch + 3] = 0xFF0000; // one red pixel in block (1, 0)
    std::vector<uint8_t> luma(lumaPitch * height, 7), cb(chromaPitch * 2, 7),
        cr(chromaPitch * 2, 7);
    convertToYuv420Bt709(pixels.data(), pitch, width, height, luma.data(), lumaPitch, cb.data(),
                         cr.data(), chromaPitch);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < lumaPitch; ++x)
            EXPECT_EQ(luma[y * lumaPitch + x], x >= width ? 7 : (x == 3 && y == 1 ? 63 : 16));
    for (int32_t i = 0; i < chromaPitch * 2; ++i) {
        const int32_t x = i % chromaPitch;
        EXPECT_EQ(cr[i], x >= 3 ? 7 : (i == 1 ? 156 : 128)) << i; // red's 240 shared by four
        EXPECT_EQ(cb[i], x >= 3 ? 7 : (i == 1 ? 122 : 128)) << i;
    }
}

TEST(CaptureYuv420, Avx2BuildGivesTheSameBytes) {
    const yuv420::Converter avx2 = yuv420::avx2Converter();
    if (!avx2) GTEST_SKIP() << "no AVX2 on this processor";
    // Widths that leave every kind of tail after the vector loops.
    std::mt19937 rng(9);
    for (const int32_t width : {2, 30, 64, 66, 512}) {
        const int32_t height = 6, pitch = width + 3, chromaPitch = width / 2 + 1;
        std::vector<uint32_t> pixels(static_cast<size_t>(pitch) * height);
        for (uint32_t& p : pixels) p = static_cast<uint32_t>(rng());
        std::vector<uint8_t> planes[2];
        for (int k = 0; k < 2; ++k) {
            planes[k].assign(static_cast<size_t>(width) * height + 2 * chromaPitch * height / 2, 0);
            uint8_t* y = planes[k].data();
            uint8_t* cb = y + width * height;
            uint8_t* cr = cb + chromaPitch * height / 2;
            (k == 0 ? yuv420::convertBaseline : avx2)(pixels.data(), pitch, width, height, y, width,
                                                      cb, cr, chromaPitch);
        }
        EXPECT_TRUE(planes[0] == planes[1]) << width;
    }
}

// ---------------------------------------------------------------------------
// Files.

TEST(CaptureWriter, MkvKeepsEveryPixelAndSample) {
    struct Case {
        const char* name;
        VideoWriter::Format format;
        int32_t frames;
        int64_t soundFrames;
    };
    // An odd size that the slices do not divide, with sound a little longer
    // than the pictures and not a whole number of FLAC blocks; then mono at
    // 48 kHz with less sound than one block, and the extension in capitals.
    const Case cases[] = {{"round.mkv", {66, 35, 30, 44100, 2}, 12, 12 * 1470 + 333},
                          {"mono.MKV", {16, 16, 60, 48000, 1}, 2, 800}};
    TempDir dir;
    std::mt19937 rng(3);
    for (const Case& c : cases) {
        const VideoWriter::Format& format = c.format;
        const std::string path = dir.file(c.name);
        std::string error;
        auto writer = VideoWriter::open(path, format, error);
        ASSERT_TRUE(writer) << error;

        const std::vector<int16_t> sound = randomSound(rng, c.soundFrames, format.channels);
        ChunkedSound chunks{sound, format.channels};
        std::vector<std::vector<uint32_t>> written;
        const int32_t pitch = format.width + 5;
        for (int32_t n = 0; n < c.frames; ++n) {
            std::vector<uint32_t> pixels(static_cast<size_t>(pitch) * format.height);
            for (uint32_t& p : pixels) p = static_cast<uint32_t>(rng()); // fourth byte too
            ASSERT_TRUE(writer->writeFrame(pixels.data(), pitch, error)) << error;
            std::vector<uint32_t> masked;
            for (int32_t y = 0; y < format.height; ++y)
                for (int32_t x = 0; x < format.width; ++x)
                    masked.push_back(pixels[static_cast<size_t>(y) * pitch + x] & 0x00FFFFFFu);
            written.push_back(std::move(masked));
            const size_t due =
                static_cast<size_t>((n + 1) * format.sampleRate / format.framesPerSecond);
            ASSERT_TRUE(chunks.write(*writer, rng, due, error)) << error;
        }
        ASSERT_TRUE(chunks.write(*writer, rng, sound.size(), error)) << error;
        ASSERT_TRUE(writer->writeAudio(nullptr, 0, error)) << error;
        EXPECT_EQ(writer->framesWritten(), c.frames);
        EXPECT_EQ(writer->sampleFramesWritten(), c.soundFrames);
        ASSERT_TRUE(writer->finish(error)) << error;
        EXPECT_TRUE(writer->finish(error)); // a second finish changes nothing
        EXPECT_FALSE(writer->writeFrame(written[0].data(), format.width, error));
        EXPECT_NE(error.find("finished"), std::string::npos) << error;

        const ReadBack file = readBack(path);
        ASSERT_EQ(file.error, "") << c.name;
        EXPECT_EQ(file.videoCodec, AV_CODEC_ID_FFV1);
        EXPECT_EQ(file.audioCodec, AV_CODEC_ID_FLAC);
        EXPECT_EQ(file.width, format.width);
        EXPECT_EQ(file.height, format.height);
        EXPECT_EQ(av_cmp_q(file.frameRate, AVRational{format.framesPerSecond, 1}), 0)
            << file.frameRate.num << "/" << file.frameRate.den;
        ASSERT_EQ(file.bgr0.size(), static_cast<size_t>(c.frames)) << c.name;
        for (int32_t n = 0; n < c.frames; ++n) {
            std::vector<uint32_t> got = file.bgr0[n];
            for (uint32_t& p : got) p &= 0x00FFFFFFu;
            EXPECT_TRUE(got == written[n]) << c.name << " frame " << n;
            EXPECT_NEAR(file.picturePts[n] * av_q2d(file.videoTimeBase),
                        static_cast<double>(n) / format.framesPerSecond, 0.001);
        }
        EXPECT_EQ(file.sampleRate, format.sampleRate);
        EXPECT_EQ(file.channels, format.channels);
        EXPECT_EQ(file.audioSamples, c.soundFrames);
        EXPECT_TRUE(file.s16 == sound) << c.name;
    }
}

TEST(CaptureWriter, Mp4KeepsTimingAndPictureQuality) {
    TempDir dir;
    const std::string path = dir.file("show.mp4");
    VideoWriter::Format format;
    format.width = 128;
    format.height = 96;
    format.framesPerSecond = 60;
    std::string error;
    auto writer = VideoWriter::open(path, format, error);
    ASSERT_TRUE(writer) << error;

    std::mt19937 rng(11);
    const int32_t frames = 30; // half a second
    const int64_t sampleFrames = 22050 + 100;
    const std::vector<int16_t> sound = randomSound(rng, sampleFrames, 2);
    ChunkedSound chunks{sound, 2};
    std::vector<std::vector<uint32_t>> written;
    for (int32_t n = 0; n < frames; ++n) {
        written.push_back(showLikePicture(format.width, format.height, n));
        ASSERT_TRUE(writer->writeFrame(written.back().data(), format.width, error)) << error;
        ASSERT_TRUE(chunks.write(*writer, rng, (n + 1) * 735, error)) << error;
    }
    ASSERT_TRUE(chunks.write(*writer, rng, sound.size(), error)) << error;
    ASSERT_TRUE(writer->finish(error)) << error;

    const ReadBack file = readBack(path);
    ASSERT_EQ(file.error, "");
    EXPECT_EQ(file.videoCodec, AV_CODEC_ID_H264);
    EXPECT_EQ(file.audioCodec, AV_CODEC_ID_AAC);
    EXPECT_EQ(file.primaries, AVCOL_PRI_BT709);
    EXPECT_EQ(file.transfer, AVCOL_TRC_BT709);
    EXPECT_EQ(file.colorSpace, AVCOL_SPC_BT709);
    EXPECT_EQ(file.range, AVCOL_RANGE_MPEG);
    EXPECT_EQ(av_cmp_q(file.frameRate, AVRational{60, 1}), 0)
        << file.frameRate.num << "/" << file.frameRate.den;
    EXPECT_NEAR(file.videoSeconds, 0.5, 0.5 / 60);
    ASSERT_EQ(file.yuv.size(), static_cast<size_t>(frames));
    for (int32_t n = 0; n < frames; ++n)
        EXPECT_NEAR(file.picturePts[n] * av_q2d(file.videoTimeBase), n / 60.0, 0.001) << n;

    // The sound's stored and decoded lengths, within one AAC block (1024).
    EXPECT_NEAR(file.audioSeconds, sampleFrames / 44100.0, 1024 / 44100.0);
    EXPECT_NEAR(static_cast<double>(file.audioSamples), static_cast<double>(sampleFrames), 1024);

    // Picture quality: each plane against the writer's own conversion of the
    // input, which is what the encoder was given. This test picture is far
    // busier than the show's (whose frames come out near 47 dB); a wrong
    // plane, pitch or frame order falls to 12..28 dB.
    const size_t pixels = static_cast<size_t>(format.width) * format.height;
    std::vector<uint8_t> y(pixels), cb(pixels / 4), cr(pixels / 4);
    double worst[3] = {1e9, 1e9, 1e9}, total[3] = {};
    for (int32_t n = 0; n < frames; ++n) {
        convertToYuv420Bt709(written[n].data(), format.width, format.width, format.height, y.data(),
                             format.width, cb.data(), cr.data(), format.width / 2);
        const Planes& got = file.yuv[n];
        const std::vector<uint8_t>* planes[3][2] = {{&got.y, &y}, {&got.cb, &cb}, {&got.cr, &cr}};
        for (int k = 0; k < 3; ++k) {
            double error2 = 1e-9;
            const std::vector<uint8_t>&decoded = *planes[k][0], &input = *planes[k][1];
            for (size_t i = 0; i < input.size(); ++i)
                error2 += (decoded[i] - input[i]) * (decoded[i] - input[i]);
            worst[k] = std::min(worst[k], psnr(error2, input.size()));
            total[k] += error2 / static_cast<double>(input.size());
        }
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_GT(psnr(total[k], frames), 34.0) << "plane " << k;
        EXPECT_GT(worst[k], 31.0) << "plane " << k;
    }
}

TEST(CaptureWriter, DestroyedWithoutFinishLeavesAPlayableFile) {
    TempDir dir;
    for (const char* name : {"unfinished.mkv", "unfinished.mp4"}) {
        const std::string path = dir.file(name);
        VideoWriter::Format format;
        format.width = 32;
        format.height = 16;
        std::string error;
        {
            auto writer = VideoWriter::open(path, format, error);
            ASSERT_TRUE(writer) << error;
            const std::vector<uint32_t> pixels(512, 0x808080);
            const std::vector<int16_t> sound(2 * 1500, 100);
            for (int i = 0; i < 7; ++i) ASSERT_TRUE(writer->writeFrame(pixels.data(), 32, error));
            ASSERT_TRUE(writer->writeAudio(sound.data(), 1500, error));
        }
        const ReadBack file = readBack(path);
        ASSERT_EQ(file.error, "") << name;
        EXPECT_EQ(file.bgr0.size() + file.yuv.size(), 7u) << name;
        EXPECT_NEAR(static_cast<double>(file.audioSamples), 1500, 1024) << name;
    }
}

TEST(CaptureWriter, AFullDiskIsReportedNotHidden) {
    // Through a link to /dev/full every write fails with ENOSPC (the header
    // still fits the output buffer): from the pictures, written on the
    // caller's thread, or from the sound, written on the sound thread. The
    // failure must reach the caller, and finish must not report success.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    std::mt19937 rng(13);
    for (const bool sound : {false, true}) {
        const std::string path = dir.file(sound ? "sound.mkv" : "pictures.mkv");
        fs::create_symlink("/dev/full", path);
        VideoWriter::Format format;
        format.width = 64;
        format.height = 64;
        std::string error, firstError;
        auto writer = VideoWriter::open(path, format, error);
        ASSERT_TRUE(writer) << error;
        std::vector<uint32_t> pixels(64 * 64);
        const std::vector<int16_t> samples = randomSound(rng, 44100, 2);
        for (int n = 0; n < 1200 && firstError.empty(); ++n) {
            for (uint32_t& p : pixels) p = static_cast<uint32_t>(rng());
            const bool ok = sound ? writer->writeAudio(samples.data(), 44100, error)
                                  : writer->writeFrame(pixels.data(), 64, error);
            if (!ok) firstError = error;
        }
        const bool finished = writer->finish(error);
        EXPECT_FALSE(finished) << path;
        if (firstError.empty()) firstError = error;
        EXPECT_NE(firstError.find("No space left on device"), std::string::npos) << firstError;
        EXPECT_NE(firstError.find(path), std::string::npos) << firstError;
        // The same failure is reported by every later call.
        EXPECT_FALSE(writer->finish(error));
        EXPECT_EQ(error, firstError);
    }
}

TEST(CaptureWriter, RefusesWhatItCannotWrite) {
    TempDir dir;
    const VideoWriter::Format good;
    std::string error;
    auto refused = [&](const std::string& path, const VideoWriter::Format& format) {
        error.clear();
        const bool opened = VideoWriter::open(path, format, error) != nullptr;
        return !opened && !error.empty();
    };

    EXPECT_TRUE(refused(dir.file("clip.avi"), good));
    EXPECT_NE(error.find("unsupported file type '.avi'"), std::string::npos) << error;
    EXPECT_NE(error.find(".mp4 or .mkv"), std::string::npos) << error;
    EXPECT_TRUE(refused(dir.file("clip"), good));
    EXPECT_NE(error.find("no file type"), std::string::npos) << error;
    EXPECT_TRUE(refused(dir.file("dir.mkv/clip"), good)); // the dot is in a directory name
    EXPECT_TRUE(refused(dir.file("no/such/dir/clip.mp4"), good));
    EXPECT_NE(error.find("no/such/dir/clip.mp4"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;

    VideoWriter::Format odd = good;
    odd.width = 511;
    EXPECT_TRUE(refused(dir.file("odd.mp4"), odd));
    EXPECT_NE(error.find("even"), std::string::npos) << error;
    const auto with = [&](auto change) {
        VideoWriter::Format f = good;
        change(f);
        return f;
    };
    const VideoWriter::Format bad[] = {
        with([](auto& f) { f.width = 0; }),           with([](auto& f) { f.height = -2; }),
        with([](auto& f) { f.framesPerSecond = 0; }), with([](auto& f) { f.sampleRate = 0; }),
        with([](auto& f) { f.channels = 3; }),        with([](auto& f) { f.channels = 0; }),
    };
    for (const VideoWriter::Format& f : bad) {
        EXPECT_TRUE(refused(dir.file("bad.mkv"), f));
        EXPECT_TRUE(refused(dir.file("bad.mp4"), f));
    }
    EXPECT_TRUE(refused(dir.file("rate.mp4"), with([](auto& f) { f.sampleRate = 44000; })));
    EXPECT_NE(error.find("44000"), std::string::npos) << error;
    // Refusals leave no file behind; an odd size is fine for the lossless kind.
    EXPECT_TRUE(fs::is_empty(dir.path));
    EXPECT_FALSE(refused(dir.file("odd.mkv"), odd)) << error;

    auto writer = VideoWriter::open(dir.file("calls.mkv"), good, error);
    ASSERT_TRUE(writer) << error;
    const std::vector<uint32_t> pixels(512 * 256);
    EXPECT_FALSE(writer->writeFrame(pixels.data(), 511, error));
    EXPECT_FALSE(writer->writeFrame(nullptr, 512, error));
    EXPECT_FALSE(writer->writeAudio(nullptr, 5, error));
    EXPECT_FALSE(writer->writeAudio(nullptr, -1, error));
    // Refused calls are not failures of the file.
    EXPECT_TRUE(writer->writeFrame(pixels.data(), 512, error)) << error;
    EXPECT_TRUE(writer->finish(error)) << error;
}

} // namespace
