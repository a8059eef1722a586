#pragma once
#include <string>
#include <vector>

// The files a show is made of, looked at before anything is loaded or
// written: the sync script and the pictures of the asset list.
struct ShowFiles {
    bool scriptReadable = false;
    std::string scriptProblem; // why data/data cannot be read, when it cannot
    int picturesFound = 0;     // files of the asset list that exist

    // Without a script and without a single picture there is no show here.
    bool nothingToShow() const { return !scriptReadable && picturesFound == 0; }
};

// The picture files of the asset list, in the order they are loaded.
std::vector<std::string> showPictureFiles();

// Looks at the show in the current folder (reads no more than it opens).
ShowFiles inspectShowFiles();

// The line that says why `files` holds no show: for a capture, which then
// writes nothing.
std::string nothingToShowMessage();
// The line that says the script cannot be read and what that means (the
// show never reaches its end), or empty when it can.
std::string missingScriptMessage(const ShowFiles& files);
