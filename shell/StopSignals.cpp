#include "shell/StopSignals.h"

#include <SDL2/SDL_hints.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t caught = 0;
volatile std::sig_atomic_t loopRunning = 0;

extern "C" void onLiveStopSignal(int signalNumber) {
    if (!loopRunning) _exit(128 + signalNumber);
    caught = signalNumber;
}

} // namespace

void catchStopSignals() {
    caught = 0;
    loopRunning = 0;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action {};
    action.sa_handler = onLiveStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

void stopSignalsReachTheLoop() {
    loopRunning = 1;
}

int stopSignal() {
    return caught;
}
