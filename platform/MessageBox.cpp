#include "platform/MessageBox.h"

#include <cstdio>

// Plain stand-in: the caption and the text on stderr, one line.
void showMessageBox(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}
