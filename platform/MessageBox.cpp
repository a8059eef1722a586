#include "platform/MessageBox.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {
bool quietMode = false;
bool stderrMode = false;

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] != '\0';
}

bool headlessDriver(const char* driver) {
    return driver &&
           (SDL_strcasecmp(driver, "dummy") == 0 || SDL_strcasecmp(driver, "offscreen") == 0);
}

// A box is only worth trying where a user can see and dismiss it: a real
// video driver and an X11 or Wayland display. Anywhere else it would fail or,
// worse, wait for a click nobody can give.
bool displayCanShowBox() {
    const char* optOut = std::getenv("DEMO_NO_MESSAGE_BOXES");
    if (stderrMode || (optOut && std::strcmp(optOut, "1") == 0)) return false;
    if (!environmentSet("DISPLAY") && !environmentSet("WAYLAND_DISPLAY")) return false;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return !headlessDriver(SDL_GetCurrentVideoDriver());
    // Video not started yet: the driver SDL would pick is the one asked for.
    return !headlessDriver(std::getenv("SDL_VIDEODRIVER")) &&
           !headlessDriver(SDL_GetHint(SDL_HINT_VIDEODRIVER));
}
} // namespace

void setMessageBoxesQuiet(bool quiet) {
    quietMode = quiet;
}
bool messageBoxesQuiet() {
    return quietMode;
}

void setMessageBoxesOnStderr(bool onStderr) {
    stderrMode = onStderr;
}

namespace {
MessageBoxHook& boxHook() {
    static MessageBoxHook hook;
    return hook;
}

// Each line of the text on a line of its own, behind the caption, so that a
// box listing several things reads as several log lines.
void printOnStderr(const char* caption, const char* text) {
    do {
        const char* end = std::strchr(text, '\n');
        const int length = static_cast<int>(end ? end - text : std::strlen(text));
        std::fprintf(stderr, "%s: %.*s\n", caption, length, text);
        text = end ? end + 1 : nullptr;
    } while (text && *text != '\0');
    std::fflush(stderr);
}

void show(Uint32 flags, const char* caption, const char* text) {
    if (!caption) caption = "";
    if (!text) text = "";
    if (boxHook()) {
        boxHook()(caption, text);
        return;
    }
    if (quietMode) return;
    if (displayCanShowBox() && SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) == 0) return;
    printOnStderr(caption, text);
}
} // namespace

void setMessageBoxHook(MessageBoxHook hook) {
    boxHook() = std::move(hook);
}

void showMessageBox(const char* caption, const char* text) {
    show(0, caption, text);
}

void showErrorMessageBox(const char* caption, const char* text) {
    show(SDL_MESSAGEBOX_ERROR, caption, text);
}
