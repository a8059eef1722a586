#include "platform/LibAv.h"

#include <dlfcn.h>

namespace {

// The loader's own account of its last failure.
std::string loaderReason() {
    const char* reason = dlerror();
    return reason ? reason : "no reason given";
}

// One library, opened for the rest of the process. It is never closed, not
// even when loading fails: unloading libav's tree would drop what its
// libraries set up when they loaded, without their clean-up, and not all of
// them are made to be unloaded.
class Library {
  public:
    explicit Library(const char* name) : name(name) {}

    bool open(const std::string& soname, std::string& error) {
        dlerror();
        // Bound as the loader binds a library linked to the program: each
        // library's own flags decide how eagerly (libav's say "now"). Local,
        // so that nothing loaded later resolves a name against libav by chance.
        handle = dlopen(soname.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (!handle) error = std::string(name) + ": " + loaderReason();
        return handle != nullptr;
    }

    // Sets `pointer` to the function `function` of this library (or of a
    // library it depends on).
    template <typename Function>
    bool resolve(const char* function, Function& pointer, std::string& error) {
        dlerror();
        void* symbol = dlsym(handle, function);
        if (!symbol) {
            error = std::string(name) + ": " + loaderReason();
            return false;
        }
        // dlsym hands functions out as void*; POSIX guarantees the round trip.
        pointer = reinterpret_cast<Function>(symbol);
        return true;
    }

  private:
    const char* name; // for messages: "libavcodec"
    void* handle = nullptr;
};

} // namespace

// "59" from LIBAVFORMAT_VERSION_MAJOR: the macro's value, as a string literal.
#define LIBAV_STRINGIFY(x) #x
#define LIBAV_MAJOR(x) LIBAV_STRINGIFY(x)

LibAvNames libAvNamesOfHeaders() {
    return {"libavutil.so." LIBAV_MAJOR(LIBAVUTIL_VERSION_MAJOR),
            "libavcodec.so." LIBAV_MAJOR(LIBAVCODEC_VERSION_MAJOR),
            "libavformat.so." LIBAV_MAJOR(LIBAVFORMAT_VERSION_MAJOR)};
}

bool loadLibAv(const LibAvNames& names, LibAv& table, std::string& error) {
    Library util("libavutil"), codec("libavcodec"), format("libavformat");
    if (!util.open(names.util, error) || !codec.open(names.codec, error) ||
        !format.open(names.format, error))
        return false;
    LibAv loaded;
    // Stops at the first function missing.
    bool resolved = true;
#define LIBAV_FROM_UTIL(function)                                                                  \
    resolved = resolved && util.resolve(#function, loaded.function, error);
#define LIBAV_FROM_CODEC(function)                                                                 \
    resolved = resolved && codec.resolve(#function, loaded.function, error);
#define LIBAV_FROM_FORMAT(function)                                                                \
    resolved = resolved && format.resolve(#function, loaded.function, error);
    LIBAV_UTIL_FUNCTIONS(LIBAV_FROM_UTIL)
    LIBAV_CODEC_FUNCTIONS(LIBAV_FROM_CODEC)
    LIBAV_FORMAT_FUNCTIONS(LIBAV_FROM_FORMAT)
#undef LIBAV_FROM_UTIL
#undef LIBAV_FROM_CODEC
#undef LIBAV_FROM_FORMAT
    if (!resolved) return false;
    table = loaded;
    return true;
}

const LibAv* sharedLibAv(std::string& error) {
    struct Loaded {
        LibAv table;
        std::string failure;
        bool ok = false;
    };
    // A function-local static is initialised once, and other threads that
    // arrive meanwhile wait for it.
    static const Loaded loaded = [] {
        Loaded result;
        result.ok = loadLibAv(libAvNamesOfHeaders(), result.table, result.failure);
        return result;
    }();
    if (!loaded.ok) {
        error = loaded.failure;
        return nullptr;
    }
    return &loaded.table;
}
