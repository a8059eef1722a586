#pragma once
#include <chrono>
#include <set>
#include <string>
#include <vector>

// Collects changed paths and hands them over once they have stopped changing
// for `quiet`: an editor or a generator writes a file in several goes, and a
// show is best reloaded once, after the last.
class ChangeDebounce {
  public:
    using Clock = std::chrono::steady_clock;
    explicit ChangeDebounce(Clock::duration quietTime) : quiet(quietTime) {}

    void changed(const std::string& path, Clock::time_point now);
    // The paths changed, once `quiet` has passed since the last change;
    // empty before that.
    std::vector<std::string> settled(Clock::time_point now);

  private:
    Clock::duration quiet;
    std::set<std::string> paths;
    Clock::time_point lastChange{};
};

// Watches folders for files written, moved in or removed (inotify), without
// blocking: poll() reads what the kernel has queued and gives each changed
// file once it has settled, as "folder/name" ("name" for the folder ".").
class FileWatch {
  public:
    explicit FileWatch(std::chrono::milliseconds quiet = std::chrono::milliseconds(150))
        : debounce(quiet) {}
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Starts watching `folders`; false, with the reason, when none can be.
    bool watch(const std::vector<std::string>& folders, std::string& error);
    std::vector<std::string> poll();

  private:
    int descriptor = -1;
    std::vector<std::pair<int, std::string>> watched; // watch descriptor, folder
    ChangeDebounce debounce;
};
