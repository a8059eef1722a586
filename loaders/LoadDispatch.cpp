#include <cstring>

#include "loaders/ReaderSupport.h"
#include "loaders/Readers.h"

void upcaseExtension(char* extension) {
    for (int i = 0; i < 3; ++i) {
        if (static_cast<signed char>(extension[i]) > 'Z')
            extension[i] = static_cast<char>(extension[i] - 32);
    }
}

PictureFormat formatFromName(const char* name) {
    if (!name) return PictureFormat::unknown;
    const size_t length = std::strlen(name);
    if (length < 3) return PictureFormat::unknown;
    char extension[4] = {name[length - 3], name[length - 2], name[length - 1], '\0'};
    upcaseExtension(extension);
    if (std::strcmp(extension, "BMP") == 0) return PictureFormat::bmp;
    if (std::strcmp(extension, "TGA") == 0) return PictureFormat::tga;
    if (std::strcmp(extension, "JPG") == 0) return PictureFormat::jpeg;
    return PictureFormat::unknown;
}
