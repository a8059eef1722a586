#include "shell/Program.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/ShowFiles.h"
#include "shell/Capture.h"
#include "shell/Live.h"
#include "shell/Options.h"
#include "shell/ShowTime.h"
#include "shell/Studio.h"

namespace {

// The live program shows its test pattern instead of the show (see runLive).
bool testPatternAsked() {
    const char* value = std::getenv("DEMO_TEST_PATTERN");
    return value && std::strcmp(value, "1") == 0;
}

// Says what is missing from the show in the current folder. Returns false
// when there is nothing to show at all, which a capture must not turn into
// twenty minutes of black video.
bool checkShow(bool capturing) {
    const ShowFiles files = inspectShowFiles();
    if (capturing && files.nothingToShow()) {
        std::fprintf(stderr, "demo: %s\n", nothingToShowMessage().c_str());
        return false;
    }
    if (const std::string note = missingScriptMessage(files); !note.empty())
        std::fprintf(stderr, "demo: %s\n", note.c_str());
    return true;
}

} // namespace

int runProgram(int argc, const char* const* argv) {
    const Options options = parseOptions(argc, argv);
    switch (options.action) {
    case Options::Action::help:
        std::fputs(usageText().c_str(), stdout);
        return 0;
    case Options::Action::version:
        std::fputs(versionText().c_str(), stdout);
        return 0;
    case Options::Action::error:
        std::fprintf(stderr, "demo: %s (try --help)\n", options.error.c_str());
        return usageErrorExitCode;
    case Options::Action::capture:
        if (!checkShow(true)) return 1;
        return runCapture(options);
    case Options::Action::live:
        break;
    }
    if (!testPatternAsked()) checkShow(false);
    const int64_t startStep = stepAtTime(options.startNanos, 60);
    if (options.studio) return runStudio(startStep);
    return runLive(options.windowed, startStep);
}
