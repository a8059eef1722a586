#include "shell/Music.h"

#include <SDL2/SDL.h>

#include "platform/Soundtrack.h"

MusicStarter soundtrackStarter() {
    return [](const char* fileName) -> std::unique_ptr<MusicClock> {
        auto soundtrack = std::make_unique<Soundtrack>();
        soundtrack->start(fileName);
        return soundtrack;
    };
}

EarlySoundtrack::EarlySoundtrack(std::string name)
    : fileName(std::move(name)), soundtrack(std::make_unique<Soundtrack>()) {
    // The thread is the soundtrack's only user until it is joined.
    preparing = std::thread([track = soundtrack.get(), file = fileName] {
        track->prepare(file.c_str());
        // SDL keeps data per thread (its last error message) that only its
        // own threads give back when they end.
        SDL_TLSCleanup();
    });
}

EarlySoundtrack::~EarlySoundtrack() {
    if (preparing.joinable()) preparing.join();
}

MusicStarter EarlySoundtrack::starter() {
    return [this](const char* name) -> std::unique_ptr<MusicClock> {
        if (preparing.joinable()) preparing.join();
        if (!soundtrack || fileName != name) return soundtrackStarter()(name);
        std::unique_ptr<Soundtrack> prepared = std::move(soundtrack);
        prepared->start(name);
        return prepared;
    };
}
