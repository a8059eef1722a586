#include <cstdio>
#include <cstring>

#include "gfx/Picture.h"
#include "loaders/LoadError.h"
#include "loaders/Readers.h"
#include "platform/MessageBox.h"

namespace {

// Gives a reader a fresh guarded block of its own, so a load that fails half
// way leaves the picture it was meant for untouched.
class GuardedSink final : public PixelSink {
  public:
    explicit GuardedSink(const Picture::SizeCheck& check) : check_(check) {}

    std::string refuseSize(int32_t width, int32_t height) override {
        return check_ ? check_(width, height) : std::string();
    }
    uint32_t* allocate(int32_t width, int32_t height) override {
        fresh.createGuarded(width, height);
        return fresh.pixels;
    }

    Picture fresh;

  private:
    const Picture::SizeCheck& check_;
};

} // namespace

int32_t Picture::load(const char* name) {
    return loadChecked(name, nullptr).code;
}

LoadOutcome Picture::loadChecked(const char* name, const SizeCheck& check) {
    if (!name) name = "";
    // The name is kept for the error report whatever the outcome; a name too
    // long for the field is kept truncated, while the reader opens it whole.
    const size_t length = std::strlen(name);
    const size_t kept = length < sizeof fileName ? length : sizeof fileName - 1;
    std::memcpy(fileName, name, kept);
    fileName[kept] = '\0';

    switch (formatFromName(name)) {
    case PictureFormat::bmp:
        return loadBmp(name, check);
    case PictureFormat::tga:
        return loadTga(name, check);
    case PictureFormat::jpeg:
        return loadJpeg(name, check);
    case PictureFormat::unknown:
        break;
    }
    return loadFailure(loadExtensionNotSupported,
                       "the name does not end in bmp, tga or jpg (in any case)");
}

LoadOutcome Picture::loadBmp(const char* name, const SizeCheck& check) {
    GuardedSink sink(check);
    LoadOutcome outcome = readBmp(name, sink);
    if (outcome.code == loadSuccess) adoptPixels(sink.fresh);
    return outcome;
}

LoadOutcome Picture::loadTga(const char* name, const SizeCheck& check) {
    GuardedSink sink(check);
    LoadOutcome outcome = readTga(name, sink);
    if (outcome.code == loadSuccess) adoptPixels(sink.fresh);
    return outcome;
}

LoadOutcome Picture::loadJpeg(const char* name, const SizeCheck& check) {
    GuardedSink sink(check);
    LoadOutcome outcome = readJpeg(name, sink);
    if (outcome.code == loadSuccess) adoptPixels(sink.fresh);
    return outcome;
}

void Picture::adoptPixels(Picture& other) {
    releasePixels();
    width = other.width;
    height = other.height;
    pixels = other.pixels;
    other.pixels = nullptr;
    mirrorFirstRowsIntoGuard();
}

void Picture::reportLoadError(int32_t code) {
    // The caption is bounded whatever the name's length: a long name is cut
    // so that prefix and name together fill at most the 255 characters.
    static constexpr char prefix[] = "error loading file: ";
    char caption[256];
    constexpr int nameRoom = static_cast<int>(sizeof caption - sizeof prefix);
    std::snprintf(caption, sizeof caption, "%s%.*s", prefix, nameRoom, fileName);
    showMessageBox(caption, loadErrorText(code));
}
