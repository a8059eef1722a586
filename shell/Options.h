#pragma once
#include <cstdint>
#include <string>

// What the command line asks for. With no arguments the program plays the
// show live, fullscreen, as it always has.
struct Options {
    enum class Action {
        live,    // play the show in a window on the desktop
        capture, // render it frame by frame into a video and/or PNG files
        help,    // print the usage to stdout
        version, // print the name and version to stdout
        error,   // print `error` and the hint to stderr, exit status 2
    };

    static constexpr int32_t defaultFramesPerSecond = 60;
    static constexpr int32_t mostFramesPerSecond = 1000;
    static constexpr int64_t mostFrames = 100'000'000;

    Action action = Action::live;
    bool windowed = false;   // --window: start in a window (live only)
    bool studio = false;     // --studio: live, with seeking, pausing, reloading and the overlay
    int64_t startNanos = 0;  // --start TIME: show time of the first frame, in nanoseconds
    std::string capturePath; // --capture FILE (.mp4 or .mkv); empty when not given
    std::string framesDir;   // --frames DIR; empty when not given
    int32_t framesPerSecond = defaultFramesPerSecond;
    int64_t maxFrames = 0; // --max-frames N; 0 when not given
    std::string error;     // the reason, for Action::error
};

// Reads `--opt value` and `--opt=value` forms. The first problem met ends the
// reading with Action::error; --help and --version act when they are reached.
Options parseOptions(int argc, const char* const* argv);

std::string usageText();
std::string versionText();

// Exit status for a command line the program cannot follow.
constexpr int usageErrorExitCode = 2;
