#include "shell/StudioReload.h"

#include <algorithm>
#include <utility>

#include "demo/ShowPictures.h"
#include "platform/Mp3Stream.h"
#include "sync/ScriptCheck.h"

namespace {

constexpr const char* scriptFile = "data/data";
constexpr const char* musicFile = "music.mp3";

bool wanted(const std::vector<std::string>& paths, const std::string& path) {
    return paths.empty() || std::find(paths.begin(), paths.end(), path) != paths.end();
}

// The pixels, size and name of two pictures change places; where the scenes
// put them (x, y) stays.
void swapPictures(Picture& a, Picture& b) {
    std::swap(a.width, b.width);
    std::swap(a.height, b.height);
    std::swap(a.pixels, b.pixels);
    std::swap(a.fileName, b.fileName);
}

// Why music.mp3 cannot be played: it does not open or its first moments do
// not decode. Empty when it can.
std::string musicProblem() {
    Mp3Stream stream;
    std::string error;
    if (!stream.open(musicFile, error)) return error;
    int16_t samples[2 * 1152 * 2];
    if (stream.read(samples, 1152) == 0) return std::string(musicFile) + " holds no sound";
    return {};
}

void note(std::string& text, const std::string& item) {
    text += (text.empty() ? "" : "; ") + item;
}

} // namespace

bool StudioFiles::isShowFile(const std::string& path) {
    if (path == scriptFile || path == musicFile) return true;
    for (const ShowPictureSlot& slot : showPictureSlots())
        if (slot.fileName == path) return true;
    return false;
}

StudioFiles::Report StudioFiles::reload(const std::vector<std::string>& paths) {
    Report report;
    std::string done;
    std::string failures;
    if (wanted(paths, scriptFile)) {
        const std::string problem = scriptProblem(scriptFile);
        if (problem.empty()) {
            auto fresh = std::make_unique<MusicSync>();
            fresh->readScript(scriptFile);
            reloaded = std::move(fresh);
            report.changed = true;
            note(done, scriptFile);
        } else {
            note(failures, problem);
        }
    }
    for (const ShowPictureSlot& slot : showPictureSlots()) {
        if (!wanted(paths, slot.fileName)) continue;
        Picture fresh;
        const int32_t result = fresh.load(slot.fileName.c_str());
        const std::string problem = pictureRejection(fresh, result, slot.role);
        if (problem.empty()) {
            swapPictures(*slot.picture, fresh);
            report.changed = true;
            note(done, slot.fileName);
        } else {
            note(failures, slot.fileName + ": " + problem);
        }
    }
    if (wanted(paths, musicFile)) {
        const std::string problem = musicProblem();
        if (problem.empty()) {
            musicSync.startMusic(musicFile);
            report.changed = report.musicChanged = true;
            note(done, musicFile);
        } else {
            note(failures, musicFile + std::string(": ") + problem);
        }
    }
    report.failed = !failures.empty();
    if (report.failed)
        report.text = "kept the last good version: " + failures;
    else
        report.text = paths.empty() ? "reloaded everything" : "reloaded " + done;
    if (report.failed && !done.empty()) report.text = "reloaded " + done + "; " + report.text;
    return report;
}
