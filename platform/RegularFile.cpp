#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string reasonFor(int error) {
    switch (error) {
    case ENOENT:
        return "no such file";
    case EACCES:
    case EPERM:
        return "permission denied";
    default:
        return std::strerror(error);
    }
}

} // namespace

std::shared_ptr<const RegularFile> RegularFile::open(const char* path, std::string& error) {
    // O_NONBLOCK: opening a FIFO that has no writer would otherwise wait for one.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot open ") + path + ": " + reasonFor(errno);
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = std::string(path) + " is not a regular file";
        return nullptr;
    }
    return std::shared_ptr<const RegularFile>(new RegularFile(fd, info.st_size));
}

RegularFile::~RegularFile() {
    ::close(fd);
}
