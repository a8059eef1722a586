// make-show: writes the default show (soundtrack, sync script and pictures)
// into a folder, from which the demo can then be run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/ShowGenerator.h"

int main(int argc, char** argv) {
    std::string folder;
    double seconds = 0.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            char* end = nullptr;
            seconds = std::strtod(argv[++i], &end);
            if (!end || *end != '\0' || seconds <= 0.0) {
                std::fprintf(stderr, "make-show: --seconds needs a positive number\n");
                return 2;
            }
        } else if (folder.empty() && argv[i][0] != '-') {
            folder = argv[i];
        } else {
            folder.clear();
            break;
        }
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: make-show OUTPUT_DIR [--seconds N]\n"
                             "  writes music.mp3, data/data and the pictures of the show;\n"
                             "  --seconds shortens the soundtrack to its first N seconds\n");
        return 2;
    }
    std::string error;
    if (!generateShow(folder, seconds, error)) {
        std::fprintf(stderr, "make-show: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
