#pragma once
#include <string>

// A file written under a temporary name in the same folder as the one asked
// for (".NAME.partial-XXXXXX", created new, never over anything), which takes
// the asked name only once it is complete. So a capture that fails, or a
// process that dies, never replaces or damages a file the user already has:
// until keep() the asked name is not touched at all.
//
// keep() renames the file into place, as `mv` does: when the asked name is a
// symbolic link, the link itself is replaced by the finished file (what it
// pointed to is left alone). Nothing under the asked name is ever removed;
// only the temporary file, which this object made, is.
class PartialFile {
  public:
    PartialFile() = default;
    ~PartialFile(); // discards a file not kept
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    // Why `target` cannot be written this way, or empty: its folder is
    // missing or not writable, the name is a folder, or it is an existing
    // file without write permission (which is taken as the user's wish to
    // keep it).
    static std::string checkTarget(const std::string& target);

    // Checks `target`, then creates the temporary file beside it (empty,
    // with the permissions a new file gets). Returns false, with the reason.
    bool create(const std::string& target, std::string& error);

    // The temporary file to write to; empty before create.
    const std::string& path() const { return partialPath; }
    const std::string& target() const { return targetPath; }

    // Flushes the finished file to the disk and gives it the asked name.
    // When that fails the file stays under its temporary name, and the
    // reason says where it is.
    bool keep(std::string& error);
    // Removes the temporary file (if it was not kept).
    void discard();

  private:
    std::string targetPath;
    std::string partialPath;
};
