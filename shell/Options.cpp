#include "shell/Options.h"

#include "shell/ShowTime.h"

#include <cctype>
#include <optional>
#include <string_view>

namespace {

// A whole decimal number from 1 to `most`, digits only: no sign, no spaces,
// no fraction or exponent.
std::optional<int64_t> parseCount(std::string_view text, int64_t most) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > most) return std::nullopt;
    return value;
}

// Whether `path` has a name before the extension `tail` (given in lower
// case), matched without regard to case, as the video writer matches it.
bool hasExtension(std::string_view path, std::string_view tail) {
    if (path.size() <= tail.size() || path[path.size() - tail.size() - 1] == '/') return false;
    const std::string_view end = path.substr(path.size() - tail.size());
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(end[i])) != tail[i]) return false;
    return true;
}

struct Reader {
    Reader(int count, const char* const* values) : argc(count), argv(values) {}

    int argc;
    const char* const* argv;
    int next = 1;
    Options options;
    bool sawCapture = false, sawFrames = false, sawFps = false, sawMaxFrames = false;
    bool sawWindow = false, sawStudio = false, sawStart = false;

    bool fail(std::string message) {
        options.action = Options::Action::error;
        options.error = std::move(message);
        return false;
    }

    // The value of option `name`: after '=' when it was given inline,
    // otherwise the next argument. A following argument that is itself an
    // option is not taken as the value: `--frames --fps 30` lacks one.
    bool takeValue(std::string_view name, const std::optional<std::string_view>& inlineValue,
                   std::string& value) {
        if (inlineValue) {
            if (inlineValue->empty())
                return fail("option '" + std::string(name) + "' needs a value");
            value = std::string(*inlineValue);
            return true;
        }
        if (next >= argc || std::string_view(argv[next]).starts_with("--") ||
            std::string_view(argv[next]).empty())
            return fail("option '" + std::string(name) + "' needs a value");
        value = argv[next++];
        return true;
    }

    bool once(bool& seen, std::string_view name) {
        if (seen) return fail("option '" + std::string(name) + "' is given more than once");
        seen = true;
        return true;
    }

    bool noValue(std::string_view name, const std::optional<std::string_view>& inlineValue) {
        if (inlineValue) return fail("option '" + std::string(name) + "' takes no value");
        return true;
    }

    // One argument; false when reading is over (an error, --help, --version).
    bool readOne() {
        const std::string_view arg = argv[next++];
        if (arg == "-h") return help();
        // The program takes no plain arguments, so "--" (which would end
        // the options before them) is of no use either.
        if (!arg.starts_with("--") || arg == "--") {
            if (arg.starts_with("-") && arg.size() > 1)
                return fail("unknown option '" + std::string(arg) + "'");
            return fail("unexpected argument '" + std::string(arg) + "'");
        }
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (const size_t eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        std::string value;
        if (name == "--help") return noValue(name, inlineValue) && help();
        if (name == "--version") {
            if (!noValue(name, inlineValue)) return false;
            options.action = Options::Action::version;
            return false;
        }
        if (name == "--window") {
            if (!noValue(name, inlineValue) || !once(sawWindow, name)) return false;
            options.windowed = true;
            return true;
        }
        if (name == "--studio") {
            if (!noValue(name, inlineValue) || !once(sawStudio, name)) return false;
            options.studio = true;
            return true;
        }
        if (name == "--start") {
            if (!once(sawStart, name) || !takeValue(name, inlineValue, value)) return false;
            const auto time = parseShowTime(value);
            if (!time)
                return fail("--start needs a show time such as 65.5 or 1:05.5, not '" + value +
                            "'");
            options.startNanos = *time;
            return true;
        }
        if (name == "--capture") {
            if (!once(sawCapture, name) || !takeValue(name, inlineValue, value)) return false;
            if (!hasExtension(value, ".mp4") && !hasExtension(value, ".mkv"))
                return fail("the capture file '" + value +
                            "' must end in .mp4 (H.264 and AAC) or .mkv (lossless FFV1 and FLAC)");
            options.capturePath = value;
            return true;
        }
        if (name == "--frames") {
            if (!once(sawFrames, name) || !takeValue(name, inlineValue, value)) return false;
            options.framesDir = value;
            return true;
        }
        if (name == "--fps") {
            if (!once(sawFps, name) || !takeValue(name, inlineValue, value)) return false;
            const auto fps = parseCount(value, Options::mostFramesPerSecond);
            if (!fps)
                return fail("--fps needs a whole number from 1 to " +
                            std::to_string(Options::mostFramesPerSecond) + ", not '" + value + "'");
            options.framesPerSecond = static_cast<int32_t>(*fps);
            return true;
        }
        if (name == "--max-frames") {
            if (!once(sawMaxFrames, name) || !takeValue(name, inlineValue, value)) return false;
            const auto frames = parseCount(value, Options::mostFrames);
            if (!frames)
                return fail("--max-frames needs a whole number from 1 to " +
                            std::to_string(Options::mostFrames) + ", not '" + value + "'");
            options.maxFrames = *frames;
            return true;
        }
        return fail("unknown option '" + std::string(name) + "'");
    }

    bool help() {
        options.action = Options::Action::help;
        return false;
    }

    // Options that each make sense but not together.
    void checkCombination() {
        const bool capturing = sawCapture || sawFrames;
        if (capturing) {
            if (sawWindow) {
                fail("--window is for playing live; a capture opens no window");
                return;
            }
            if (sawStudio) {
                fail("--studio plays the show in a window; a capture opens none");
                return;
            }
            options.action = Options::Action::capture;
            return;
        }
        if (sawFps)
            fail("--fps sets the rate of a capture: give it with --capture or --frames");
        else if (sawMaxFrames)
            fail("--max-frames limits a capture: give it with --capture or --frames");
    }
};

} // namespace

Options parseOptions(int argc, const char* const* argv) {
    Reader reader(argc, argv);
    while (reader.next < argc)
        if (!reader.readOne()) return reader.options;
    reader.checkCombination();
    return reader.options;
}

std::string usageText() {
    return "usage: demo [--window | --studio] [--start TIME]\n"
           "       demo --capture FILE [--frames DIR] [--fps N] [--max-frames N]\n"
           "            [--start TIME]\n"
           "       demo --frames DIR [--fps N] [--max-frames N] [--start TIME]\n"
           "\n"
           "Plays the show in the current folder (music.mp3, data/data and the pictures\n"
           "under data/): fullscreen, Escape quits, F12 switches to a window and back.\n"
           "A capture renders the same show frame by frame, as fast as the machine allows,\n"
           "with time taken from the frame count; it needs no display.\n"
           "\n"
           "  --window          start in a window instead of fullscreen\n"
           "  --studio          play in a window with the studio keys: Space pauses, Left\n"
           "                    and Right seek 1 s (with Shift 10 s), ',' and '.' step,\n"
           "                    Home goes to the start, R reloads, H shows the sync;\n"
           "                    changed files in data/ and music.mp3 reload by themselves\n"
           "  --start TIME      begin at show time TIME (seconds as 65.5, or 1:05.5); a\n"
           "                    capture's frames and sound then start there\n"
           "  --capture FILE    write the show with its soundtrack to FILE: .mp4 gives\n"
           "                    H.264 and AAC, .mkv gives lossless FFV1 and FLAC\n"
           "  --frames DIR      write every frame as DIR/frame-000000.png, ... (with or\n"
           "                    without --capture; DIR is made if it is missing)\n"
           "  --fps N           frames per second of the capture (default 60)\n"
           "  --max-frames N    stop the capture after N frames (otherwise it stops when\n"
           "                    the show ends, and after 20 minutes of show at the most)\n"
           "  --help            print this text and exit\n"
           "  --version         print the version and exit\n"
           "\n"
           "Values may be given as '--fps 30' or '--fps=30'. Ctrl-C ends a capture early\n"
           "and keeps what was captured. The video is written under a temporary name and\n"
           "takes its own only when it is complete, so an existing FILE is replaced only\n"
           "by a finished capture; --frames first removes DIR/frame-*.png of an earlier one.\n";
}

std::string versionText() {
    return std::string("demo ") + DEMO_VERSION + "\n";
}
