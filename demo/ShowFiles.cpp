#include "demo/ShowFiles.h"

#include <sys/stat.h>

#include <cstdio>

#include "demo/ShowPictures.h"
#include "platform/RegularFile.h"

namespace {

constexpr const char* scriptFile = "data/data";

// Whether `path` is a file the script reader will read: "" when it is, the
// reason otherwise (a FIFO or a device is turned away as the reader turns it
// away, so the show would never end either).
std::string readProblem(const char* path) {
    const RegularFile file(path, "r");
    return file ? std::string() : file.reason();
}

} // namespace

std::vector<std::string> showPictureFiles() {
    std::vector<std::string> files;
    for (const ShowPictureSlot& slot : showPictureSlots()) files.push_back(slot.fileName);
    return files;
}

ShowFiles inspectShowFiles() {
    ShowFiles files;
    files.scriptProblem = readProblem(scriptFile);
    files.scriptReadable = files.scriptProblem.empty();
    for (const std::string& picture : showPictureFiles()) {
        struct stat info {};
        if (stat(picture.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ++files.picturesFound;
    }
    return files;
}

std::string nothingToShowMessage() {
    return "no show here: neither the sync script data/data nor any of its pictures under data/ "
           "is in this folder (run the program from a show's folder, such as build/show)";
}

std::string missingScriptMessage(const ShowFiles& files) {
    if (files.scriptReadable) return {};
    return std::string("the sync script ") + scriptFile + " cannot be read (" +
           files.scriptProblem + "): nothing in the show will happen and it will not end by itself";
}
