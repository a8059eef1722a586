#pragma once
#include <cstdint>
#include <memory>
#include <string>

// A regular file open for reading. Opening never waits: a FIFO without a
// writer, a device such as /dev/zero or a directory is turned down at once
// instead of hanging or reading forever.
class RegularFile {
  public:
    // Returns nullptr with a one-line reason in `error` ("cannot open X: no
    // such file", "cannot open X: permission denied", "X is not a regular
    // file", ...).
    static std::shared_ptr<const RegularFile> open(const char* path, std::string& error);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    int descriptor() const { return fd; }
    int64_t size() const { return bytes; }

  private:
    RegularFile(int fd, int64_t bytes) : fd(fd), bytes(bytes) {}
    int fd;
    int64_t bytes;
};
