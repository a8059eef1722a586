#include "capture/PartialFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

struct PathParts {
    std::string folder; // "." for a bare name; ends without a slash unless it is "/"
    std::string name;
};

PathParts splitPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string systemError(int code) {
    return std::strerror(code);
}

// Flushes what was written to `path` (or the folder's entries) to the disk.
bool syncPath(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd == -1) return false;
    const bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
}

} // namespace

PartialFile::~PartialFile() {
    discard();
}

std::string PartialFile::checkTarget(const std::string& target) {
    const PathParts parts = splitPath(target);
    if (parts.name.empty() || parts.name == "." || parts.name == "..")
        return "'" + target + "' names a folder, not a file";
    struct stat info {};
    if (stat(parts.folder.c_str(), &info) != 0)
        return "cannot write '" + target + "': the folder '" + parts.folder +
               "': " + systemError(errno);
    if (!S_ISDIR(info.st_mode))
        return "cannot write '" + target + "': '" + parts.folder + "' is not a folder";
    if (access(parts.folder.c_str(), W_OK | X_OK) != 0)
        return "cannot write in the folder '" + parts.folder + "': " + systemError(errno);
    if (lstat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return "'" + target + "' is a folder";
        if (!S_ISLNK(info.st_mode) && access(target.c_str(), W_OK) != 0)
            return "'" + target + "' is not writable (" + systemError(errno) +
                   "); it was left as it is";
    }
    return {};
}

bool PartialFile::create(const std::string& target, std::string& error) {
    discard();
    error = checkTarget(target);
    if (!error.empty()) return false;
    const PathParts parts = splitPath(target);
    static constexpr char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, 'x');
        for (char& c : suffix) c = letters[pick() % (sizeof letters - 1)];
        const std::string candidate =
            joinPath(parts.folder, "." + parts.name + ".partial-" + suffix);
        // O_EXCL: a new file of ours, never one that was there (nor a link).
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd != -1) {
            close(fd);
            targetPath = target;
            partialPath = candidate;
            return true;
        }
        if (errno != EEXIST) {
            error = "cannot create a file in '" + parts.folder + "': " + systemError(errno);
            return false;
        }
    }
    error = "cannot find a free temporary name in '" + parts.folder + "'";
    return false;
}

bool PartialFile::keep(std::string& error) {
    if (partialPath.empty()) {
        error = "no file to keep";
        return false;
    }
    // On the disk before it takes the name: a crash after the rename must
    // not leave an empty file where a good one was.
    if (!syncPath(partialPath, O_RDONLY)) {
        error = "cannot flush '" + partialPath + "' to the disk: " + systemError(errno);
        return false;
    }
    if (std::rename(partialPath.c_str(), targetPath.c_str()) != 0) {
        error = "cannot rename the finished capture to '" + targetPath +
                "': " + systemError(errno) + "; it is in '" + partialPath + "'";
        partialPath.clear(); // complete work is not thrown away
        return false;
    }
    partialPath.clear();
    syncPath(splitPath(targetPath).folder, O_RDONLY | O_DIRECTORY);
    return true;
}

void PartialFile::discard() {
    if (partialPath.empty()) return;
    unlink(partialPath.c_str());
    partialPath.clear();
}
