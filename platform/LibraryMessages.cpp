#include "platform/LibraryMessages.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

namespace {

bool askedOnCommandLine = false;

// libasound's error handler and its setter, as <alsa/error.h> declares them.
// The library is looked up at run time, as SDL does, so that the program
// neither needs it to build nor loads it where it is missing.
extern "C" {
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                  const char* format, ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler handler);
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
}

} // namespace

bool libraryMessagesWanted() {
    if (askedOnCommandLine) return true;
    const char* value = std::getenv("DEMO_VERBOSE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void letLibraryMessagesThrough() {
    askedOnCommandLine = true;
}

void quietSoundSystemMessages() {
    if (libraryMessagesWanted()) return;
    // The handle is kept: closing it could unload the library, and the
    // handler with it, before SDL opens it.
    static void* const alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) return;
    const auto setHandler =
        reinterpret_cast<AlsaSetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler) setHandler(ignoreAlsaMessage);
}
