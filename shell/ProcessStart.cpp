#include "shell/ProcessStart.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace {

void openMissingStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        // open() returns the lowest free number, which is this one: the ones
        // below it are open by now.
        const int opened = open("/dev/null", O_RDWR);
        if (opened != -1 && opened != fd) close(opened);
    }
}

} // namespace

void prepareProcess() {
    openMissingStandardDescriptors();
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}
