#include "tools/ShowGenerator.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/JpegWriter.h"
#include "tools/Mp3Writer.h"
#include "tools/Pictures.h"
#include "tools/ShowScript.h"
#include "tools/Song.h"
#include "tools/TextRenderer.h"

namespace {

const char* const pictureNames[] = {
    "final.jpg",     "Cluvo01.jpg",   "Cluvo02.jpg",   "Cluvo03.jpg",   "Cluvo04.jpg",
    "Cluvo05.jpg",   "Cluvo06.jpg",   "Cluvo07.jpg",   "Cluvo08.jpg",   "giraffe01.jpg",
    "giraffe02.jpg", "giraffe03.jpg", "giraffe04.jpg", "giraffe05.jpg", "giraffe06.jpg",
    "giraffe07.jpg", "giraffe08.jpg", "giraffe09.jpg", "giraffe10.jpg", "giraffe11.jpg",
    "giraffe12.jpg", "giraffe13.jpg", "clouds.jpg",    "scroll.jpg",    "soft.jpg"};

bool writePicture(const Image& image, const std::string& data, const char* name,
                  std::string& error) {
    return writeJpeg(image, data + "/" + name, error);
}

} // namespace

const char* const* showPictureNames(int& count) {
    count = static_cast<int>(sizeof(pictureNames) / sizeof(pictureNames[0]));
    return pictureNames;
}

bool generateShow(const std::string& folder, double musicSeconds, std::string& error) {
    const std::string data = folder + "/data";
    std::error_code fsError;
    std::filesystem::create_directories(data, fsError);
    if (fsError) {
        error = "cannot create " + data + ": " + fsError.message();
        return false;
    }

    TextRenderer text;
    std::string fontError;
    if (!text.loadFont(pictures::boldFont, fontError)) {
        error = fontError + " (install fonts-dejavu-core)";
        return false;
    }

    if (!writePicture(pictures::texture(), data, "final.jpg", error)) return false;
    for (int32_t i = 0; i < 8; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Cluvo%02d.jpg", i + 1);
        if (!writePicture(pictures::tesseractFrame(i), data, name, error)) return false;
    }
    for (int32_t i = 0; i < 13; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "giraffe%02d.jpg", i + 1);
        if (!writePicture(pictures::giraffeFrame(i), data, name, error)) return false;
    }
    if (!writePicture(pictures::clouds(), data, "clouds.jpg", error)) return false;
    if (!writePicture(pictures::scroller(text), data, "scroll.jpg", error)) return false;
    if (!writePicture(pictures::closing(text), data, "soft.jpg", error)) return false;

    {
        std::ofstream script(data + "/data", std::ios::binary);
        script << formatShowScript(composeShowScript());
        if (!script) {
            error = "cannot write " + data + "/data";
            return false;
        }
    }

    return writeMp3(renderSong(musicSeconds), folder + "/music.mp3", error);
}
