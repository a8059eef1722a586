#pragma once
#include <memory>
#include <string>
#include <vector>

#include "sync/MusicSync.h"

// The studio's copy of the show's files: the pattern store, the pictures and
// the soundtrack, reloaded from disk when asked. Each file is loaded into a
// fresh object and put in place only when it loaded whole; one that fails
// leaves the last good version in place, and the report says why.
class StudioFiles {
  public:
    // The pattern store in use: the program's own (musicSync) until a script
    // has been reloaded.
    const MusicSync& store() const { return reloaded ? *reloaded : musicSync; }

    struct Report {
        bool changed = false;      // something new is in place
        bool musicChanged = false; // the soundtrack was started anew (musicSync.clock)
        bool failed = false;       // a file was kept at its last good version
        std::string text;          // one line: what was reloaded, or why not
    };

    // Reloads the show's files among `paths` ("data/data", "music.mp3",
    // "data/NAME.jpg" as the show names them; others are ignored), or every
    // file when `paths` is empty. Invalidates the store() given before.
    Report reload(const std::vector<std::string>& paths);

    // Whether `path` is one of the show's files.
    static bool isShowFile(const std::string& path);

  private:
    std::unique_ptr<MusicSync> reloaded;
};
