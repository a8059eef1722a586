#include "shell/Music.h"

#include "platform/Soundtrack.h"

MusicStarter soundtrackStarter() {
    return [](const char* fileName) -> std::unique_ptr<MusicClock> {
        auto soundtrack = std::make_unique<Soundtrack>();
        soundtrack->start(fileName);
        return soundtrack;
    };
}
