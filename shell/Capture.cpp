#include "shell/Capture.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "capture/CaptureAudio.h"
#include "capture/PngFrames.h"
#include "capture/VideoWriter.h"
#include "demo/Assets.h"
#include "demo/ShowEnd.h"
#include "demo/ShowReplay.h"
#include "platform/MessageBox.h"
#include "shell/Shell.h"
#include "shell/ShowTime.h"
#include "sync/FrameClock.h"
#include "sync/MusicSync.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int signalNumber) {
    stopSignal = signalNumber;
}

// The loop looks at the flag once per frame. The handler is one-shot, so a
// second Ctrl-C while the file is being finished ends the program at once.
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

const char* signalName(int signalNumber) {
    switch (signalNumber) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    default:
        return "a signal";
    }
}

double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// 0:20.5 (or 1:02:03.0 from an hour on).
std::string showTime(double seconds) {
    if (seconds < 0) seconds = 0;
    const auto tenths = static_cast<int64_t>(seconds * 10.0 + 0.5);
    const int64_t h = tenths / 36000, m = tenths / 600 % 60, s = tenths / 10 % 60, t = tenths % 10;
    char text[48];
    if (h > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%lld", static_cast<long long>(h),
                      static_cast<long long>(m), static_cast<long long>(s),
                      static_cast<long long>(t));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld.%lld", static_cast<long long>(m),
                      static_cast<long long>(s), static_cast<long long>(t));
    return text;
}

// 0:23 (or 1:02:03 from an hour on), rounded up.
std::string wholeSeconds(double seconds) {
    const auto total = static_cast<int64_t>(std::ceil(seconds > 0 ? seconds : 0));
    char text[40];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(total / 3600),
                      static_cast<long long>(total / 60 % 60), static_cast<long long>(total % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(total / 60),
                      static_cast<long long>(total % 60));
    return text;
}

std::string showTimeOfFrames(int64_t frames, int32_t framesPerSecond) {
    return showTime(static_cast<double>(frames) / framesPerSecond);
}

// The progress line on a terminal: rewritten in place at most four times a
// second, ended with a newline. Silent when stderr is not a terminal.
class Progress {
  public:
    Progress(int32_t framesPerSecond, int64_t expectedFrames, bool endKnown)
        : enabled(isatty(STDERR_FILENO) == 1), fps(framesPerSecond), expected(expectedFrames),
          known(endKnown), started(SteadyClock::now()) {}

    void update(int64_t done) {
        if (!enabled) return;
        const auto now = SteadyClock::now();
        if (now - lastShown < std::chrono::milliseconds(250)) return;
        show(done, now);
    }

    void finish(int64_t done) {
        if (!enabled || done == 0) return;
        show(done, SteadyClock::now());
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }

  private:
    void show(int64_t done, SteadyClock::time_point now) {
        lastShown = now;
        const double elapsed = std::chrono::duration<double>(now - started).count();
        const double rate = elapsed > 0 ? static_cast<double>(done) / elapsed : 0.0;
        std::string left = "?";
        if (done >= expected)
            left = wholeSeconds(0);
        else if (rate > 0)
            left = wholeSeconds(static_cast<double>(expected - done) / rate);
        std::fprintf(
            stderr, "\rdemo: frame %lld of %s%lld, %s of show, %.0f frames/s, %s left\033[K",
            static_cast<long long>(done), known ? "" : "at most ", static_cast<long long>(expected),
            showTimeOfFrames(done, fps).c_str(), rate, left.c_str());
        std::fflush(stderr);
    }

    bool enabled;
    int32_t fps;
    int64_t expected;
    bool known;
    SteadyClock::time_point started;
    SteadyClock::time_point lastShown{};
};

enum class Ending { byItself, atLimit, stopped, writeFailed };

} // namespace

int64_t defaultCaptureFrames(int32_t framesPerSecond) {
    return int64_t{20} * 60 * framesPerSecond;
}

ShowCapture::ShowCapture() = default;

ShowCapture::~ShowCapture() {
    abandon();
    // The clock goes with this object.
    if (musicSync.clock == &clock) musicSync.useClock(nullptr);
}

void ShowCapture::abandon() {
    pngQueue.reset(); // the frames in hand are written (or fail) first
    video.reset();
    videoFile.discard();
}

bool ShowCapture::open(const Settings& settings, std::string& error) {
    abandon();
    chosen = settings;
    writePngs = false;
    framesRemoved = 0;
    rendering = writing = 0.0;
    pastEnd = false;
    const int32_t fps = settings.framesPerSecond;

    // Every output is looked at before any is touched.
    VideoWriter::FileType videoType = VideoWriter::FileType::mp4;
    if (!settings.videoPath.empty()) {
        if (!VideoWriter::fileTypeOf(settings.videoPath, videoType, error)) return false;
        // A video inside a frames folder still to be made is checked once
        // the folder is there.
        namespace fs = std::filesystem;
        std::error_code ec;
        const bool inNewFolder =
            !settings.framesDir.empty() && !fs::exists(settings.framesDir, ec) &&
            fs::path(settings.videoPath).parent_path().lexically_normal() ==
                (fs::path(settings.framesDir) / "").parent_path().lexically_normal();
        if (std::string problem = PartialFile::checkTarget(settings.videoPath);
            !problem.empty() && !inNewFolder) {
            error = "the video cannot be written: " + problem;
            return false;
        }
    }
    if (!settings.framesDir.empty()) {
        error = PngFrames::checkFolder(settings.framesDir);
        if (!error.empty()) return false;
    }

    if (!audio.load("music.mp3"))
        std::fprintf(stderr, "demo: no sound: %s; the capture keeps time at %d Hz stereo%s\n",
                     audio.whyNoSound().c_str(), CaptureAudio::silentRate,
                     settings.videoPath.empty() ? "" : " and its soundtrack is silence");

    // Folders first, so that a video inside the frames folder finds it.
    if (!settings.framesDir.empty() && !pngs.open(settings.framesDir, error)) return false;
    if (!settings.videoPath.empty()) {
        VideoWriter::Format format;
        format.width = canvasWidth;
        format.height = canvasHeight;
        format.framesPerSecond = fps;
        format.sampleRate = audio.sampleRate();
        format.channels = audio.channels();
        if (videoFile.create(settings.videoPath, error))
            video = VideoWriter::open(videoFile.path(), videoType, format, error);
        if (!video) {
            videoFile.discard();
            error = "the video cannot be written: " + error;
            return false;
        }
    }
    if (!settings.framesDir.empty()) {
        framesRemoved = pngs.removeOldFrames();
        pngQueue = std::make_unique<PngFrameQueue>(pngs);
        writePngs = true;
    }

    // The live program's start-up, with the frame clock in place of the
    // soundtrack: the same canvas, pictures, checks and sync script, and a
    // show state of its own from the beginning.
    clock = FrameClock(audio.bytesPerSecond(), FrameSteps::stepsPerSecond);
    clock.setLoopBytes(audio.loopBytes());
    musicSync.useClock(&clock);
    // Ctrl-C or SIGTERM while the pictures load ends the loading at the next
    // picture instead of after the last.
    setBetweenLoadsHook(+[] { return stopSignal == 0; });
    initDemo();
    setBetweenLoadsHook(nullptr);
    state = freshShow(musicSync);
    nextStep = 0;
    shown = -1;

    captured = 0;
    timeline = FrameSteps{fps, settings.firstStep};
    // The 20 minutes count from the show's start.
    frameLimit = settings.maxFrames > 0 ? settings.maxFrames
                                        : defaultCaptureFrames(fps) -
                                              settings.firstStep * fps / FrameSteps::stepsPerSecond;
    // The forecast counts steps from the fresh show; the frames that show them
    // count from the first step captured.
    const int64_t quitStep = forecastQuitFrame(musicSync, state.sync, clock);
    quitForecast = quitStep >= timeline.firstStep ? timeline.firstFrameShowing(quitStep) : -1;
    if (settings.firstStep > 0) {
        const int64_t last =
            lastSeekableStep(musicSync, clock, defaultCaptureFrames(FrameSteps::stepsPerSecond));
        if (settings.firstStep > last) {
            pastEnd = true;
            error = "--start lies past the show's end at " +
                    showTimeOfFrames(last, FrameSteps::stepsPerSecond);
            return false;
        }
        state = replayTo(musicSync, settings.firstStep, clock);
        nextStep = settings.firstStep;
        // The sound carries the volume the steps before have left it at.
        clock.setVolume(state.volume);
    }
    return true;
}

void ShowCapture::takeStepsTo(int64_t step) {
    canvas.pixels = canvasOwnPixels;
    // Every step up to `step` is taken, only that one is drawn. The step that
    // posts the quit ends the show and is the one shown: taken undrawn, it is
    // taken again from the state before it, drawn.
    while (!state.quitPosted && nextStep <= step) {
        clock.setFrame(nextStep);
        if (nextStep == step) {
            playShowFrame(state, musicSync, clock, &canvas);
        } else {
            const ShowState before = state;
            if (playShowFrame(state, musicSync, clock, nullptr).postsQuit) {
                state = before;
                playShowFrame(state, musicSync, clock, &canvas);
            }
        }
        shown = nextStep++;
    }
}

bool ShowCapture::captureFrame(std::string& error) {
    const auto start = SteadyClock::now();
    // The frame shows the newest step by its moment, drawn as the live main
    // loop draws it; a frame whose step is already shown shows the canvas
    // again as it is.
    takeStepsTo(timeline.stepOf(captured));
    const auto drawn = SteadyClock::now();
    rendering += std::chrono::duration<double>(drawn - start).count();

    bool written = true;
    if (video) written = video->writeFrame(canvas.pixels, canvas.width, error);
    if (written && writePngs)
        written = pngQueue->submit(captured, canvas.pixels, canvas.width, canvas.height, error);
    if (written && video) {
        // This frame's share of the soundtrack, at the volume the show has
        // set by the step it shows.
        const std::vector<int16_t>& samples =
            audio.samplesIn(timeline.samplesOf(captured, audio.sampleRate()), clock.volume());
        const auto sampleFrames =
            static_cast<int64_t>(samples.size() / static_cast<size_t>(audio.channels()));
        written = video->writeAudio(samples.data(), sampleFrames, error);
    }
    writing += secondsSince(drawn);
    if (!written) return false;
    ++captured;
    return true;
}

bool ShowCapture::showEnded() const {
    return state.quitPosted;
}

bool ShowCapture::finish(std::string& error) {
    if (pngQueue && !pngQueue->finish(error)) {
        abandon();
        return false;
    }
    if (!video) return true;
    if (!video->finish(error)) {
        error = "cannot finish " + chosen.videoPath + ": " + error;
        abandon();
        return false;
    }
    video.reset();
    if (!videoFile.keep(error)) return false;
    return true;
}

std::string ShowCapture::outputs() const {
    std::string text = chosen.videoPath;
    if (writePngs) text += (text.empty() ? "" : " and ") + pngs.pattern();
    return text;
}

int runCapture(const Options& options) {
    catchStopSignals();
    // No window, so no message box either: everything goes to stderr.
    setMessageBoxesOnStderr(true);
    const auto loadStarted = SteadyClock::now();
    const int32_t fps = options.framesPerSecond;

    ShowCapture capture;
    std::string error;
    ShowCapture::Settings settings;
    settings.videoPath = options.capturePath;
    settings.framesDir = options.framesDir;
    settings.framesPerSecond = fps;
    settings.maxFrames = options.maxFrames;
    settings.firstStep = stepAtTime(options.startNanos, FrameSteps::stepsPerSecond);
    if (!capture.open(settings, error)) {
        std::fprintf(stderr, "demo: %s\n", error.c_str());
        return capture.startPastEnd() ? usageErrorExitCode : 1;
    }
    if (capture.oldFramesRemoved() > 0)
        std::fprintf(stderr, "demo: removed %lld frames of an earlier capture from %s\n",
                     static_cast<long long>(capture.oldFramesRemoved()), options.framesDir.c_str());
    const double loadSeconds = secondsSince(loadStarted);

    // The end is known when the show's own can be foreseen; without it the
    // limit is only the latest end.
    const int64_t quitFrame = capture.forecastQuit();
    const bool endKnown = quitFrame >= 0 || capture.settings().maxFrames > 0;
    const int64_t expected =
        quitFrame >= 0 ? std::min(quitFrame + 1, capture.limit()) : capture.limit();
    Progress progress(fps, expected, endKnown);
    const auto started = SteadyClock::now();
    Ending ending = Ending::atLimit;
    for (;;) {
        if (stopSignal != 0) {
            ending = Ending::stopped;
            break;
        }
        if (capture.atLimit()) break;
        if (!capture.captureFrame(error)) {
            ending = Ending::writeFailed;
            break;
        }
        progress.update(capture.frames());
        if (capture.showEnded()) {
            ending = Ending::byItself;
            break;
        }
    }
    progress.finish(capture.frames());
    const long long frames = capture.frames();

    // After a failure no unfinished video is left, and the file of the
    // asked name, if there was one, is as it was.
    const std::string untouched =
        options.capturePath.empty()
            ? std::string()
            : "; no video was written to " + options.capturePath + " (what was there is kept)";
    if (ending == Ending::writeFailed) {
        capture.abandon();
        std::fprintf(stderr, "demo: writing the capture failed after %lld frames: %s%s\n", frames,
                     error.c_str(), untouched.c_str());
        return 1;
    }
    // Stopped before the first frame there is nothing worth keeping: an
    // empty video must not take the place of a file the user had.
    if (ending == Ending::stopped && frames == 0) {
        capture.abandon();
        const int signalNumber = stopSignal;
        std::fprintf(stderr, "demo: stopped by %s before the first frame%s\n",
                     signalName(signalNumber), untouched.c_str());
        return 128 + signalNumber;
    }
    if (!capture.finish(error)) {
        std::fprintf(stderr, "demo: %s%s\n", error.c_str(),
                     error.find("it is in '") == std::string::npos ? untouched.c_str() : "");
        return 1;
    }
    const double seconds = secondsSince(started);

    int status = 0;
    if (ending == Ending::stopped) {
        const int signalNumber = stopSignal;
        std::fprintf(stderr, "demo: stopped by %s after %lld frames; %s holds what was captured\n",
                     signalName(signalNumber), frames, capture.outputs().c_str());
        status = 128 + signalNumber;
    } else if (ending == Ending::atLimit) {
        if (options.maxFrames > 0)
            std::fprintf(stderr, "demo: stopped at --max-frames %lld; the show had not ended\n",
                         frames);
        else
            std::fprintf(stderr,
                         "demo: the show did not end by itself; stopped after %s of show "
                         "(%lld frames)\n",
                         showTimeOfFrames(frames, fps).c_str(), frames);
    }
    const double showSeconds = static_cast<double>(frames) / fps;
    const auto perSecond = [](double count, double time) { return time > 0 ? count / time : 0.0; };
    std::printf("demo: captured %lld frames (%s of show at %d fps) to %s in %.1f s: %.0f frames/s, "
                "%.1f x real time (drawing %.0f frames/s, writing %.0f frames/s; loading %.1f s)\n",
                frames, showTime(showSeconds).c_str(), fps, capture.outputs().c_str(), seconds,
                perSecond(frames, seconds), perSecond(showSeconds, seconds),
                perSecond(frames, capture.renderSeconds()),
                perSecond(frames, capture.writeSeconds()), loadSeconds);
    std::fflush(stdout);
    return status;
}
