// The capture mode of the program, end to end: the real `demo` binary, run
// without any display in a short show that the test writes, and the files it
// leaves read back with libavformat and libpng. What it captured must be what
// the show draws and plays, frame for frame and sample for sample.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "demo/Director.h"
#include "demo/SceneOne.h"
#include "demo/ShowEnd.h"
#include "demo_show_support.h"
#include "gfx/SimdLevel.h"
#include "platform/Mp3Decode.h"
#include "shell/Capture.h"
#include "shell/Shell.h"
#include "support/loader_files.h"
#include "sync/FrameClock.h"
#include "sync_support.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t rgbMask = 0x00FFFFFF;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct DemoRun {
    int status = -1;
    std::string out, err;
};

// Runs the demo in `folder` with `arguments`, with no display of any kind.
DemoRun runDemo(const std::string& folder, const std::string& arguments) {
    const std::string program = std::string(DEMO_BINARY_DIR) + "/demo";
    const std::string out = folder + "/.stdout", err = folder + "/.stderr";
    const std::string command = "cd '" + folder +
                                "' && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '" +
                                program + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    DemoRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readText(out);
    run.err = readText(err);
    return run;
}

// What a video file holds, as decoded with libavcodec.
struct VideoFile {
    bool opened = false;
    std::string problem;
    AVRational frameRate{0, 1};
    int64_t frames = 0;
    int32_t sampleRate = 0;
    int32_t channels = 0;
    std::vector<int16_t> samples; // interleaved
};

// Decodes every picture (handed to `onFrame` as 0x00RRGGBB pixels, frame
// number first) and every sample of `path`.
VideoFile readVideo(const std::string& path,
                    const std::function<void(int64_t, const std::vector<uint32_t>&)>& onFrame) {
    VideoFile file;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        file.problem = "libavformat cannot open " + path;
        return file;
    }
    AVCodecContext* decoders[2] = {nullptr, nullptr};
    int streams[2] = {-1, -1}; // video, audio
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<uint32_t> pixels;
    auto take = [&](int which) {
        while (avcodec_receive_frame(decoders[which], frame) == 0) {
            if (which == 0) {
                pixels.assign(static_cast<size_t>(frame->width) * frame->height, 0);
                if (frame->format == AV_PIX_FMT_BGR0 || frame->format == AV_PIX_FMT_BGRA) {
                    for (int y = 0; y < frame->height; ++y)
                        std::memcpy(&pixels[static_cast<size_t>(y) * frame->width],
                                    frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0],
                                    static_cast<size_t>(frame->width) * 4);
                } else {
                    file.problem = "unexpected picture format";
                }
                if (onFrame) onFrame(file.frames, pixels);
                ++file.frames;
            } else {
                const int ch = frame->ch_layout.nb_channels;
                for (int i = 0; i < frame->nb_samples; ++i)
                    for (int c = 0; c < ch; ++c) {
                        if (frame->format == AV_SAMPLE_FMT_S16)
                            file.samples.push_back(
                                reinterpret_cast<const int16_t*>(frame->data[0])[i * ch + c]);
                        else if (frame->format == AV_SAMPLE_FMT_S16P)
                            file.samples.push_back(
                                reinterpret_cast<const int16_t*>(frame->data[c])[i]);
                        else
                            file.problem = "unexpected sample format";
                    }
            }
            av_frame_unref(frame);
        }
    };
    if (avformat_find_stream_info(format, nullptr) >= 0) {
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            const AVCodecParameters* par = format->streams[i]->codecpar;
            const int which = par->codec_type == AVMEDIA_TYPE_VIDEO   ? 0
                              : par->codec_type == AVMEDIA_TYPE_AUDIO ? 1
                                                                      : -1;
            if (which < 0 || streams[which] >= 0) continue;
            const AVCodec* codec = avcodec_find_decoder(par->codec_id);
            decoders[which] = avcodec_alloc_context3(codec);
            avcodec_parameters_to_context(decoders[which], par);
            if (avcodec_open2(decoders[which], codec, nullptr) < 0) continue;
            streams[which] = static_cast<int>(i);
            if (which == 0) file.frameRate = format->streams[i]->avg_frame_rate;
            if (which == 1) {
                file.sampleRate = par->sample_rate;
                file.channels = par->ch_layout.nb_channels;
            }
        }
        while (av_read_frame(format, packet) >= 0) {
            for (int which = 0; which < 2; ++which)
                if (packet->stream_index == streams[which] &&
                    avcodec_send_packet(decoders[which], packet) >= 0)
                    take(which);
            av_packet_unref(packet);
        }
        for (int which = 0; which < 2; ++which)
            if (streams[which] >= 0 && avcodec_send_packet(decoders[which], nullptr) >= 0)
                take(which);
        file.opened = streams[0] >= 0 && streams[1] >= 0;
        if (!file.opened && file.problem.empty()) file.problem = "a stream is missing";
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    for (AVCodecContext*& decoder : decoders) avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return file;
}

std::vector<uint32_t> readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    for (uint32_t& p : pixels) p &= rgbMask;
    return pixels;
}

// Changes the working directory for the life of the object.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::string& path) : previous(fs::current_path()) {
        fs::current_path(path);
    }
    ~WorkingDirectory() { fs::current_path(previous); }

  private:
    fs::path previous;
};

void writeJpeg(const std::string& path, int32_t width, int32_t height, uint32_t colour) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] = colour ^ static_cast<uint32_t>(x * 3 + y);
    loaderWriteFile(path, loaderEncodeRgbJpeg(width, height, pixels));
}

struct ScriptEvent {
    int32_t track, position, value, duration;
};

void writeScript(const std::string& path, const std::vector<ScriptEvent>& events) {
    std::string script = "script 1\npattern 5\n";
    for (int32_t track = 0; track < 5; ++track) {
        std::string lines;
        int32_t count = 0;
        for (const ScriptEvent& e : events)
            if (e.track == track) {
                lines += std::to_string(e.position) + " " + std::to_string(e.value) + " " +
                         std::to_string(e.duration) + "\n";
                ++count;
            }
        script += "track" + std::to_string(track) + " " + std::to_string(count) + "\n" + lines;
    }
    std::ofstream(path) << script;
}

// Every frame of the show as the capture should have drawn it, and the
// volume the show had set by the end of it: the show loaded in this process
// and run on a frame clock of its own, 60 steps per second, every step drawn.
// Frame k at `fps` shows the newest step by its moment, k × 60 / fps.
class ShowReplay {
  public:
    ShowReplay(const std::string& folder, int32_t bytesPerSecond, int32_t fps, uint32_t loopBytes)
        : clock(bytesPerSecond, 60), framesPerSecond(fps), inFolder(folder) {
        clock.setLoopBytes(loopBytes);
        musicSync.useClock(&clock);
        testing::internal::CaptureStderr(); // the show's own notes on missing pictures
        loadAssets();
        testing::internal::GetCapturedStderr();
        state = freshShow(musicSync);
    }
    ~ShowReplay() { musicSync.useClock(nullptr); }

    // Draws frame `frame`, which must be the next one.
    const uint32_t* draw(int64_t frame) {
        EXPECT_EQ(frame, next++);
        const int64_t step = frame * 60 / framesPerSecond;
        for (; nextStep <= step && !state.quitPosted; ++nextStep) {
            clock.setFrame(nextStep);
            if (playShowFrame(state, musicSync, clock, &canvas).postsQuit) postQuitMessage(0);
        }
        return canvas.pixels;
    }
    int32_t volume() const { return clock.volume(); }
    FrameClock clock;
    ShowState state;

  private:
    int32_t framesPerSecond;
    WorkingDirectory inFolder;
    int64_t next = 0;
    int64_t nextStep = 0;
};

int64_t mismatchAt(const uint32_t* expected, const std::vector<uint32_t>& got) {
    if (got.size() != static_cast<size_t>(canvasWidth) * canvasHeight) return -2;
    for (size_t i = 0; i < got.size(); ++i)
        if ((expected[i] & rgbMask) != (got[i] & rgbMask)) return static_cast<int64_t>(i);
    return -1;
}

class CaptureShow : public demotest::ShowTest {
  protected:
    void SetUp() override {
        // The capture draws into the canvas's own block, made once per
        // process; another test may have made the canvas already.
        if (!canvasOwnPixels) {
            if (canvas.pixels)
                canvasOwnPixels = canvas.pixels;
            else
                createCanvas();
        }
        demotest::ShowTest::SetUp();
        fs::create_directories(dir.path / "data");
    }
    // The pictures and the script of a short show: both scenes within its
    // first second, the scroller `scrollHeight` rows high.
    void writeShow(bool withTexture, int32_t scrollHeight) {
        const std::string data = (dir.path / "data").string();
        if (withTexture) writeJpeg(data + "/final.jpg", 512, 8, 0x00304050);
        char name[64];
        for (int32_t i = 1; i <= 8; ++i) {
            std::snprintf(name, sizeof name, "%s/Cluvo%02d.jpg", data.c_str(), i);
            writeJpeg(name, 32, 16, 0x00200000u * i);
        }
        for (int32_t i = 1; i <= 13; ++i) {
            std::snprintf(name, sizeof name, "%s/giraffe%02d.jpg", data.c_str(), i);
            writeJpeg(name, 16, 32, 0x00001000u * i);
        }
        writeJpeg(data + "/clouds.jpg", 128, 64, 0x00606060);
        if (scrollHeight > 0) writeJpeg(data + "/scroll.jpg", 64, scrollHeight, 0x00E0E0E0);
        writeJpeg(data + "/soft.jpg", 256, 128, 0x00C08040);
        std::vector<ScriptEvent> events = {{0, 3000, 255, 40}};
        for (int32_t i = 0; i < 16; ++i) events.push_back({2, 6000 + 2500 * i, beatValue, 1});
        for (int32_t i = 0; i < 9; ++i) events.push_back({3, 2000 + 2000 * i, 200, 12});
        for (int32_t i = 0; i < 34; ++i) events.push_back({4, 60000 + 3000 * i, 180, 6});
        writeScript(data + "/data", events);
    }
    // One second of a 44.1 kHz stereo tone as music.mp3; returns it decoded.
    DecodedAudio writeMusic() {
        const std::string path = dir.file("music.mp3");
        EXPECT_TRUE(synctest::writeMp3(path, synctest::tone(44100, 2, 44100, 330.0), 44100, 2));
        DecodedAudio decoded;
        std::string error;
        EXPECT_TRUE(decodeMp3File(path.c_str(), decoded, error)) << error;
        return decoded;
    }

    synctest::TempDir dir;
};

// The soundtrack sample the capture should hold: looped, at `volume`.
int16_t heard(const DecodedAudio& audio, int64_t frame, int32_t channel, int32_t volume) {
    const int16_t sample =
        audio.samples[static_cast<size_t>(frame % static_cast<int64_t>(audio.frames())) * 2 +
                      static_cast<size_t>(channel)];
    if (volume >= 100) return sample;
    if (volume <= 0) return 0;
    return static_cast<int16_t>(sample * volume / 100);
}

TEST_F(CaptureShow, MkvAndPngsHoldEveryFrameAndSampleOfTheShow) {
    writeShow(true, 300);
    const DecodedAudio music = writeMusic();
    ASSERT_GT(music.frames(), 44100u - 2000);
    // 90 frames at 30 fps: three seconds of a one-second soundtrack.
    const DemoRun run =
        runDemo(dir.path.string(), "--capture show.mkv --frames=pngs --fps 30 --max-frames=90");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("--max-frames 90"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("captured 90 frames"), std::string::npos) << run.out;
    EXPECT_EQ(run.err.find('\r'), std::string::npos) << "progress shown off a terminal";

    ShowReplay show(dir.path.string(), 176400, 30, static_cast<uint32_t>(music.frames() * 4));
    int32_t sceneTwoFrames = 0;
    const VideoFile video =
        readVideo(dir.file("show.mkv"), [&](int64_t k, const std::vector<uint32_t>& pixels) {
            const uint32_t* expected = show.draw(k);
            sceneTwoFrames += show.state.sceneNumber == 2;
            EXPECT_EQ(mismatchAt(expected, pixels), -1) << "video frame " << k;
            char name[64];
            std::snprintf(name, sizeof name, "pngs/frame-%06lld.png", static_cast<long long>(k));
            EXPECT_EQ(mismatchAt(expected, readPng(dir.file(name))), -1) << name;
        });
    ASSERT_TRUE(video.opened) << video.problem;
    EXPECT_TRUE(video.problem.empty()) << video.problem;
    EXPECT_EQ(video.frames, 90);
    EXPECT_EQ(av_cmp_q(video.frameRate, AVRational{30, 1}), 0);
    EXPECT_GT(sceneTwoFrames, 30); // both scenes were compared
    EXPECT_FALSE(fs::exists(dir.file("pngs/frame-000090.png")));

    ASSERT_EQ(video.sampleRate, 44100);
    ASSERT_EQ(video.channels, 2);
    ASSERT_EQ(video.samples.size(), 2u * 90 * 44100 / 30);
    for (size_t i = 0; i < video.samples.size(); ++i)
        ASSERT_EQ(video.samples[i], heard(music, static_cast<int64_t>(i / 2), i % 2, 100))
            << "sample frame " << i / 2;
}

// Whether this build runs instrumented (several times slower).
constexpr bool sanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

// A show that ends by itself: the frame that posts the quit is the last one,
// and the closing fade's volume is in the samples of each frame. A show needs
// some 3,500 frames to end, which take ten seconds or more to encode
// losslessly: this runs once, in the release tree with the fastest kernels.
TEST_F(CaptureShow, EndsWithTheFrameThatPostsTheQuitAndFadesTheSound) {
    if (sanitizedBuild() || simdLevel() == SimdLevel::scalar)
        GTEST_SKIP() << "release tree, fastest kernels only";
    writeShow(false, 0); // no texture and no scroller: quick frames
    const DecodedAudio music = writeMusic();
    const DemoRun run = runDemo(dir.path.string(), "--capture show.mkv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("stopped"), std::string::npos) << run.err;

    ShowReplay show(dir.path.string(), 176400, 60, static_cast<uint32_t>(music.frames() * 4));
    const int64_t quitFrame = forecastQuitFrame(musicSync, show.state.sync, show.clock);
    ASSERT_GT(quitFrame, 3000);
    std::vector<int32_t> volumes;
    const VideoFile video =
        readVideo(dir.file("show.mkv"), [&](int64_t k, const std::vector<uint32_t>& pixels) {
            const uint32_t* expected = show.draw(k);
            volumes.push_back(show.volume());
            // Every frame is drawn; a sample of them is compared in full.
            if (k % 101 == 0 || k + 3 > quitFrame) {
                EXPECT_EQ(mismatchAt(expected, pixels), -1) << "video frame " << k;
            }
        });
    ASSERT_TRUE(video.opened) << video.problem;
    EXPECT_EQ(video.frames, quitFrame + 1);
    EXPECT_TRUE(quitPosted());
    EXPECT_EQ(volumes.back(), 0);
    ASSERT_EQ(video.samples.size(), 2u * static_cast<size_t>((quitFrame + 1) * 44100 / 60));
    int64_t sampleFrame = 0;
    for (int64_t k = 0; k <= quitFrame; ++k) {
        const int64_t end = (k + 1) * 44100 / 60;
        for (; sampleFrame < end; ++sampleFrame)
            for (int32_t c = 0; c < 2; ++c)
                ASSERT_EQ(video.samples[static_cast<size_t>(sampleFrame * 2 + c)],
                          heard(music, sampleFrame, c, volumes[static_cast<size_t>(k)]))
                    << "frame " << k << ", sample frame " << sampleFrame;
    }
    EXPECT_LT(*std::min_element(volumes.begin(), volumes.end() - 1), 100); // the fade is in it
}

// In this process, without outputs (as the capture benchmark runs it): a
// second capture starts the show afresh, and a show that never ends stops
// after 20 minutes of show.
TEST_F(CaptureShow, RunsAgainFromTheStartAndStopsAtTwentyMinutes) {
    writeShow(false, 0);
    WorkingDirectory inShow(dir.path.string());
    testing::internal::CaptureStderr(); // the missing pictures and music
    int64_t firstRun = -1;
    for (int run = 0; run < 2; ++run) {
        ShowCapture capture;
        std::string error;
        ASSERT_TRUE(capture.open(ShowCapture::Settings{}, error)) << error;
        EXPECT_EQ(capture.limit(), 72000);
        while (!capture.atLimit() && capture.captureFrame(error) && !capture.showEnded()) {
        }
        EXPECT_TRUE(capture.showEnded()) << error;
        EXPECT_EQ(capture.frames(), capture.forecastQuit() + 1);
        if (run == 0) firstRun = capture.frames();
        EXPECT_EQ(capture.frames(), firstRun);
        EXPECT_TRUE(capture.finish(error)) << error;
    }
    EXPECT_EQ(musicSync.clock, nullptr); // the capture's clock went with it

    // Track 4 with one event: scene one for ever.
    writeScript(dir.file("data/data"), {{4, 5000, 255, 10}});
    ShowCapture endless;
    ShowCapture::Settings settings;
    settings.framesPerSecond = 2;
    std::string error;
    ASSERT_TRUE(endless.open(settings, error)) << error;
    EXPECT_EQ(endless.forecastQuit(), -1);
    while (!endless.atLimit() && endless.captureFrame(error) && !endless.showEnded()) {
    }
    EXPECT_FALSE(endless.showEnded());
    EXPECT_EQ(endless.frames(), 20 * 60 * 2);
    testing::internal::GetCapturedStderr();
}

// What one frame of an in-process capture showed.
struct ShownFrame {
    uint64_t hash = 0;
    int64_t step = -1;
    int32_t volume = 0;
};

// FNV-1a over the canvas's 64-bit words: a frame's fingerprint.
uint64_t pictureHash(const uint32_t* pixels) {
    const size_t words = static_cast<size_t>(canvasWidth) * canvasHeight / 2;
    uint64_t hash = 0xcbf29ce484222325u;
    for (size_t i = 0; i < words; ++i) {
        uint64_t word;
        std::memcpy(&word, pixels + 2 * i, sizeof word);
        hash = (hash ^ word) * 0x100000001b3u;
    }
    return hash;
}

// Captures the show in the current folder without outputs, as far as its own
// end, at `fps`; with `keep`, full copies of the frames it names.
std::vector<ShownFrame> captureInProcess(int32_t fps, std::vector<std::vector<uint32_t>>* keep,
                                         const std::function<bool(int64_t)>& keepFrame,
                                         int64_t& forecast) {
    ShowCapture capture;
    ShowCapture::Settings settings;
    settings.framesPerSecond = fps;
    std::string error;
    EXPECT_TRUE(capture.open(settings, error)) << error;
    forecast = capture.forecastQuit();
    std::vector<ShownFrame> frames;
    const size_t bytes = static_cast<size_t>(canvasWidth) * canvasHeight * 4;
    while (!capture.atLimit() && capture.captureFrame(error)) {
        frames.push_back({pictureHash(canvas.pixels), capture.shownStep(), capture.show().volume});
        if (keep && keepFrame(capture.frames() - 1))
            keep->emplace_back(canvas.pixels, canvas.pixels + bytes / 4);
        if (capture.showEnded()) break;
    }
    EXPECT_TRUE(capture.showEnded()) << error;
    EXPECT_TRUE(capture.finish(error)) << error;
    return frames;
}

// At any rate the show keeps its own time: frame k shows step
// min(k × 60 / fps, q), q the step that posts the quit, drawn exactly as the
// 60 fps capture draws it, with the volume that step leaves; the capture ends
// with the first frame that shows q. At 30 fps frame k is the 60 fps frame 2k.
TEST_F(CaptureShow, AtAnyRateEachFrameIsTheStepOfItsMoment) {
    writeShow(false, 0); // no texture and no scroller: quick frames
    WorkingDirectory inShow(dir.path.string());
    testing::internal::CaptureStderr(); // no music here
    int64_t forecast = -1;
    std::vector<std::vector<uint32_t>> sixty;
    const auto every64th = [](int64_t k) { return k % 64 == 0; };
    const std::vector<ShownFrame> reference = captureInProcess(60, &sixty, every64th, forecast);
    const auto quitStep = static_cast<int64_t>(reference.size()) - 1;
    ASSERT_GT(quitStep, 1000);
    EXPECT_EQ(forecast, quitStep);
    EXPECT_EQ(reference.back().volume, 0);
    for (size_t k = 0; k < reference.size(); ++k) ASSERT_EQ(reference[k].step, int64_t(k));

    // 30 fps: every frame by its hash below, and some kept whole, byte for byte.
    std::vector<std::vector<uint32_t>> thirty;
    const auto every32nd = [](int64_t k) { return k % 32 == 0; };
    const std::vector<ShownFrame> half = captureInProcess(30, &thirty, every32nd, forecast);
    const int64_t forecastAtThirty = forecast;
    ASSERT_EQ(static_cast<int64_t>(half.size()), (quitStep + 1) / 2 + 1);
    ASSERT_GT(thirty.size(), 20u);
    for (size_t i = 0; i < thirty.size() && i < sixty.size(); ++i)
        ASSERT_TRUE(thirty[i] == sixty[i]) << "30 fps frame " << 32 * i;

    int32_t quitTakenUnshown = 0;
    for (const int32_t fps : {24, 25, 30, 50, 120}) {
        SCOPED_TRACE(testing::Message() << fps << " fps");
        const std::vector<ShownFrame> frames =
            fps == 30 ? half : captureInProcess(fps, nullptr, nullptr, forecast);
        const auto count = static_cast<int64_t>(frames.size());
        // The first frame whose moment is at or past the quit step's is the last.
        EXPECT_GE((count - 1) * 60, quitStep * fps);
        EXPECT_LT((count - 2) * 60, quitStep * fps);
        EXPECT_EQ(fps == 30 ? forecastAtThirty : forecast, count - 1);
        quitTakenUnshown += (count - 1) * 60 / fps > quitStep;
        for (int64_t k = 0; k < count; ++k) {
            const int64_t step = std::min(k * 60 / fps, quitStep);
            const ShownFrame& expected = reference[static_cast<size_t>(step)];
            ASSERT_EQ(frames[static_cast<size_t>(k)].step, step) << "frame " << k;
            ASSERT_EQ(frames[static_cast<size_t>(k)].hash, expected.hash) << "frame " << k;
            ASSERT_EQ(frames[static_cast<size_t>(k)].volume, expected.volume) << "frame " << k;
        }
    }
    // The quit fell between two frames' steps at some rate, so it was taken
    // undrawn first and then drawn for the last frame.
    EXPECT_GT(quitTakenUnshown, 0);
    testing::internal::GetCapturedStderr();
}

TEST_F(CaptureShow, WithoutMusicTheVideoGetsSilenceAndSaysWhy) {
    writeShow(false, 40);
    const DemoRun run = runDemo(dir.path.string(), "--capture quiet.mkv --max-frames 45");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("demo: no sound: "), std::string::npos) << run.err;
    const VideoFile video = readVideo(dir.file("quiet.mkv"), nullptr);
    ASSERT_TRUE(video.opened) << video.problem;
    EXPECT_EQ(video.frames, 45);
    EXPECT_EQ(video.sampleRate, 44100);
    EXPECT_EQ(video.channels, 2);
    EXPECT_EQ(video.samples, std::vector<int16_t>(2 * 45 * 44100 / 60, 0));
}

TEST_F(CaptureShow, CommandLineMistakesAndUnwritableOutputs) {
    const std::string folder = dir.path.string();
    DemoRun run = runDemo(folder, "--bogus");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "demo: unknown option '--bogus' (try --help)\n");
    EXPECT_TRUE(run.out.empty());
    run = runDemo(folder, "--capture show.avi");
    EXPECT_EQ(run.status, 2);
    run = runDemo(folder, "--window --frames x");
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(fs::exists(dir.file("x")));

    run = runDemo(folder, "--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--capture FILE"), std::string::npos);
    EXPECT_TRUE(run.err.empty());
    run = runDemo(folder, "--version");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string("demo ") + DEMO_VERSION + "\n");

    // Outputs that cannot be made: status 1 and the reason.
    writeShow(false, 40);
    run = runDemo(folder, "--capture no/such/folder/show.mkv --max-frames 5");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no/such/folder/show.mkv"), std::string::npos) << run.err;
    std::ofstream(dir.file("afile")) << "x";
    run = runDemo(folder, "--frames afile --max-frames 5");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("afile is not a folder"), std::string::npos) << run.err;
    // Frames alone, into a folder made on demand.
    run = runDemo(folder, "--frames made/pngs --max-frames 3 --fps 5");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(dir.file("made/pngs/frame-000002.png")));
    EXPECT_FALSE(fs::exists(dir.file("made/pngs/frame-000003.png")));
}

// --start: output frame k is show frame start + k, drawn as the
// uninterrupted capture draws it, with that frame's share of the sound; a
// start past the show's end is refused.
TEST_F(CaptureShow, StartBeginsTheFramesAndTheSoundThere) {
    writeShow(true, 300);
    const DecodedAudio music = writeMusic();
    const DemoRun run =
        runDemo(dir.path.string(), "--capture show.mkv --frames pngs --start 0.5 --max-frames 40");
    ASSERT_EQ(run.status, 0) << run.err;
    constexpr int64_t first = 30;

    ShowReplay show(dir.path.string(), 176400, 60, static_cast<uint32_t>(music.frames() * 4));
    for (int64_t k = 0; k < first; ++k) show.draw(k);
    std::vector<int32_t> volumes;
    const VideoFile video =
        readVideo(dir.file("show.mkv"), [&](int64_t k, const std::vector<uint32_t>& pixels) {
            EXPECT_EQ(mismatchAt(show.draw(first + k), pixels), -1) << "video frame " << k;
            volumes.push_back(show.volume());
        });
    ASSERT_TRUE(video.opened) << video.problem;
    EXPECT_EQ(video.frames, 40);
    EXPECT_TRUE(fs::exists(dir.file("pngs/frame-000000.png")));
    EXPECT_FALSE(fs::exists(dir.file("pngs/frame-000040.png")));
    const int64_t firstSample = first * 44100 / 60;
    ASSERT_EQ(video.samples.size(),
              2u * static_cast<size_t>((first + 40) * 44100 / 60 - firstSample));
    for (size_t i = 0; i < video.samples.size(); ++i) {
        const int64_t sampleFrame = firstSample + static_cast<int64_t>(i / 2);
        const int64_t k = sampleFrame * 60 / 44100 - first;
        ASSERT_EQ(video.samples[i], heard(music, sampleFrame, static_cast<int32_t>(i % 2),
                                          volumes[static_cast<size_t>(std::max<int64_t>(k, 0))]))
            << "sample frame " << sampleFrame;
    }

    const DemoRun late = runDemo(dir.path.string(), "--frames late --start 19:59");
    EXPECT_EQ(late.status, 2);
    EXPECT_NE(late.err.find("past the show's end"), std::string::npos) << late.err;
    EXPECT_EQ(std::count(late.err.begin(), late.err.end(), '\n'), 1) << late.err;
}

} // namespace
