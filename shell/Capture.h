#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "capture/CaptureAudio.h"
#include "capture/FrameSteps.h"
#include "capture/PartialFile.h"
#include "capture/PngFrameQueue.h"
#include "capture/PngFrames.h"
#include "demo/ShowState.h"
#include "shell/Options.h"
#include "sync/FrameClock.h"

class VideoWriter;

// Frames of show after which a capture stops unless told otherwise: 20 minutes.
int64_t defaultCaptureFrames(int32_t framesPerSecond);

// One capture of the show in the current folder: the live program's start-up
// with the frame clock in place of the soundtrack, then frame after frame
// drawn exactly as the live main loop draws it, each written to the video
// (with its share of the soundtrack) and/or as a PNG file.
//
// The show keeps its own time at any frame rate: it takes its 60 steps per
// second of show time, each at the frame clock's position for that step, and
// frame k shows the newest step by its moment k / fps (see FrameSteps). The
// steps in between are taken undrawn, so events fire exactly as at 60 fps;
// at 60 fps every step is drawn and shown once. The capture ends with the
// first frame that shows the step that posts the show's quit.
//
// The pictures, the pattern store and the canvas are process-wide, so one
// capture runs at a time; each capture runs a show state of its own, made
// afresh when it opens.
class ShowCapture {
  public:
    struct Settings {
        std::string videoPath; // .mp4 or .mkv; empty: no video
        std::string framesDir; // empty: no PNG files
        int32_t framesPerSecond = 60;
        int64_t maxFrames = 0; // 0: defaultCaptureFrames
        // The show's step captured first (output frame 0 shows it), reached
        // by replaying the steps before it undrawn.
        int64_t firstStep = 0;
    };

    ShowCapture();
    ~ShowCapture(); // as abandon() when finish() was not called
    ShowCapture(const ShowCapture&) = delete;
    ShowCapture& operator=(const ShowCapture&) = delete;

    // Checks every output, decodes music.mp3 (silence when it cannot: see
    // soundtrack()), opens the outputs, and loads the show. Returns false,
    // with the reason in `error`, when an output cannot be opened or the
    // first step lies past the show's end (startPastEnd()); an output that
    // fails the checks leaves every other untouched.
    //
    // The video is written under a temporary name beside the one asked for
    // (see PartialFile) and takes its name in finish(), so a file already
    // there is replaced only by a finished capture. The frames folder is made
    // first, and frames of an earlier capture in it are removed (their count
    // is in oldFramesRemoved()).
    bool open(const Settings& settings, std::string& error);

    // Takes the steps up to the one frame frames() shows, draws that one and
    // writes it with its sound. Returns false, with the reason, when an
    // output cannot be written.
    bool captureFrame(std::string& error);
    // The show has posted its quit (in the step the last frame showed).
    bool showEnded() const;
    // frames() has reached the limit.
    bool atLimit() const { return captured >= frameLimit; }
    bool startPastEnd() const { return pastEnd; }

    // Completes the video and gives it its name, and waits for the last PNG
    // files. Returns false, with the reason, when it cannot; the unfinished
    // video is then removed.
    bool finish(std::string& error);
    // Ends a capture that failed: the unfinished video is removed, the file
    // of the asked name (if any) is left as it was.
    void abandon();
    int64_t oldFramesRemoved() const { return framesRemoved; }

    int64_t frames() const { return captured; }
    // Steps of the show taken so far (from 0), and the step the last frame
    // captured showed (-1 before the first).
    int64_t steps() const { return nextStep; }
    int64_t shownStep() const { return shown; }
    // The show as the frames captured so far have left it.
    const ShowState& show() const { return state; }
    int64_t limit() const { return frameLimit; }
    // The frame (from 0) that will show the step that posts the show's quit;
    // -1 when it cannot tell (see forecastQuitFrame).
    int64_t forecastQuit() const { return quitForecast; }
    const CaptureAudio& soundtrack() const { return audio; }
    const Settings& settings() const { return chosen; }
    // "FILE", "DIR/frame-*.png" or "FILE and DIR/frame-*.png".
    std::string outputs() const;
    // Time spent drawing frames, and writing them (video, sound, PNG).
    double renderSeconds() const { return rendering; }
    double writeSeconds() const { return writing; }

  private:
    // Takes the steps from nextStep up to `step`, drawing the last one taken
    // into the canvas; none when the show has ended.
    void takeStepsTo(int64_t step);

    Settings chosen;
    CaptureAudio audio;
    // Reads the position of each step: 60 per second of show time.
    FrameClock clock{CaptureAudio::silentRate * CaptureAudio::silentChannels * 2,
                     FrameSteps::stepsPerSecond};
    FrameSteps timeline;
    ShowState state;
    int64_t nextStep = 0; // the step `state` takes next
    int64_t shown = -1;
    PartialFile videoFile;
    std::unique_ptr<VideoWriter> video;
    PngFrames pngs;
    std::unique_ptr<PngFrameQueue> pngQueue;
    bool writePngs = false;
    int64_t framesRemoved = 0;
    int64_t captured = 0;
    int64_t frameLimit = 0;
    int64_t quitForecast = -1;
    bool pastEnd = false;
    double rendering = 0.0;
    double writing = 0.0;
};

// The capture mode of the program, for the command line's --capture,
// --frames, --fps and --max-frames: runs a ShowCapture until the show posts
// its own quit (that frame included), the frame limit, or SIGINT/SIGTERM,
// with a progress line when stderr is a terminal and a summary line at the
// end. No window and no audio device are opened.
// Returns the exit status: 0 when it ended by itself or at the limit, 1 when
// there is no show in the folder or something could not be written (nothing
// is then left under the video's name but what was there), 128 + the
// signal's number when a signal stopped it (the video is then finished with
// the frames captured so far and takes its name).
int runCapture(const Options& options);
