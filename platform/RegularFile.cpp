#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string kindOfFile(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a file";
}

std::string errorText(int error) {
    switch (error) {
    case ENOENT:
        return "file doesn't exist";
    case EACCES:
        return "permission denied";
    default:
        return std::strerror(error);
    }
}
} // namespace

RegularFile::RegularFile(const char* name, const char* mode) {
    // O_NONBLOCK keeps open() itself from waiting for a FIFO's writer.
    const int descriptor = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        const int error = errno;
        failure_ = error == ENOENT ? Failure::missing : Failure::other;
        reason_ = errorText(error);
        return;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0) {
        failure_ = Failure::other;
        reason_ = errorText(errno);
        ::close(descriptor);
        return;
    }
    if (!S_ISREG(status.st_mode)) {
        failure_ = Failure::notRegular;
        reason_ = "is not a regular file (" + kindOfFile(status.st_mode) + ")";
        ::close(descriptor);
        return;
    }
    // Reads from here on are ordinary blocking reads of a regular file.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    file_ = ::fdopen(descriptor, mode);
    if (!file_) {
        failure_ = Failure::other;
        reason_ = errorText(errno);
        ::close(descriptor);
        return;
    }
    size_ = static_cast<long long>(status.st_size);
}

RegularFile::~RegularFile() {
    if (file_) std::fclose(file_);
}

std::shared_ptr<const RegularFile> RegularFile::open(const char* path, std::string& error) {
    auto file = std::make_shared<RegularFile>(path, "rb");
    switch (file->failure()) {
    case Failure::none:
        return file;
    case Failure::missing:
        error = std::string("cannot open ") + path + ": no such file";
        break;
    case Failure::notRegular:
        error = std::string(path) + " is not a regular file";
        break;
    case Failure::other:
        error = std::string("cannot open ") + path + ": " + file->reason();
        break;
    }
    return nullptr;
}
