#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Opens a file for reading only when it is a regular file. The file is opened
// without blocking and checked before a byte is read, so a FIFO with no
// writer, a device such as /dev/zero or a directory is turned away at once
// instead of hanging or spinning the reader.
class RegularFile {
  public:
    enum class Failure { none, missing, notRegular, other };

    RegularFile(const char* name, const char* mode);
    // The same for readers that work on the descriptor (the MP3 decoder, which
    // several threads share): nullptr with a one-line reason in `error`
    // ("cannot open X: no such file", "cannot open X: permission denied",
    // "X is not a regular file").
    static std::shared_ptr<const RegularFile> open(const char* path, std::string& error);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    std::FILE* get() const { return file_; }
    int descriptor() const { return file_ ? fileno(file_) : -1; }
    explicit operator bool() const { return file_ != nullptr; }

    Failure failure() const { return failure_; }
    // Why the file is not open, in plain words ("file doesn't exist",
    // "permission denied", "is not a regular file (a FIFO)"); empty when open.
    const std::string& reason() const { return reason_; }
    // Size in bytes when the file was opened.
    long long size() const { return size_; }

  private:
    std::FILE* file_ = nullptr;
    Failure failure_ = Failure::none;
    std::string reason_;
    long long size_ = 0;
};
