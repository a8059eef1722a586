#include "platform/Quit.h"

namespace {
bool posted = false;
int32_t exitCode = 0;
int32_t postCount = 0;
void (*quitListener)(int32_t) = nullptr;
} // namespace

void postQuitMessage(int32_t code) {
    if (!posted) exitCode = code;
    posted = true;
    ++postCount;
    if (quitListener) quitListener(code);
}

bool quitPosted() {
    return posted;
}
int32_t quitExitCode() {
    return exitCode;
}
int32_t quitPostCount() {
    return postCount;
}

void resetQuit() {
    posted = false;
    exitCode = 0;
    postCount = 0;
}

void setQuitListener(void (*listener)(int32_t)) {
    quitListener = listener;
}
