#include <cstring>

#include "gfx/Picture.h"
#include "loaders/ReaderSupport.h"

void upcaseExtension(char* extension) {
    for (int i = 0; i < 3; ++i) {
        if (static_cast<signed char>(extension[i]) > 'Z')
            extension[i] = static_cast<char>(extension[i] - 32);
    }
}

// The reader is chosen by the last three characters of the name alone; there
// is no search for a dot, so "x.jpeg" is refused and "xjpg" is read as JPEG.
int32_t Picture::load(const char* name) {
    if (!name) name = "";
    // The name is kept for the error report whatever the outcome; a name too
    // long for the field is kept truncated, while the reader opens it whole.
    const size_t length = std::strlen(name);
    const size_t kept = length < sizeof fileName ? length : sizeof fileName - 1;
    std::memcpy(fileName, name, kept);
    fileName[kept] = '\0';

    if (length < 3) return loadExtensionNotSupported;
    char extension[4] = {name[length - 3], name[length - 2], name[length - 1], '\0'};
    upcaseExtension(extension);
    if (std::strcmp(extension, "BMP") == 0) return loadBmp(name);
    if (std::strcmp(extension, "TGA") == 0) return loadTga(name);
    if (std::strcmp(extension, "JPG") == 0) return loadJpeg(name);
    return loadExtensionNotSupported;
}
