#include "shell/Program.h"

#include <cstdio>

#include "shell/Capture.h"
#include "shell/Live.h"
#include "shell/Options.h"
#include "shell/ShowTime.h"
#include "shell/Studio.h"

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
        return runCapture(options);
    case Options::Action::live:
        break;
    }
    const int64_t startStep = stepAtTime(options.startNanos, 60);
    if (options.studio) return runStudio(startStep);
    return runLive(options.windowed, startStep);
}
