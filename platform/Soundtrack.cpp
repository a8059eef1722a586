#include "platform/Soundtrack.h"

#include <algorithm>
#include <cstdio>

#include "platform/LoopedSamples.h"

namespace {

int64_t steadyNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The largest power of two of sample frames that lasts at most 25 ms: the
// device buffer is the position's uncertainty, so it is kept short.
Uint16 deviceBufferFor(int32_t rate) {
    const int32_t most = std::max(rate / 40, 64);
    Uint16 frames = 64;
    while (frames * 2 <= most && frames < 8192) frames = static_cast<Uint16>(frames * 2);
    return frames;
}

// Frames played in `nanos` at `rate`, without overflowing 64 bits.
uint64_t framesIn(int64_t nanos, int32_t rate) {
    if (nanos <= 0) return 0;
    constexpr int64_t second = 1'000'000'000;
    const auto seconds = static_cast<uint64_t>(nanos / second);
    const auto rest = static_cast<uint64_t>(nanos % second);
    return seconds * static_cast<uint64_t>(rate) + rest * static_cast<uint64_t>(rate) / second;
}

} // namespace

Soundtrack::~Soundtrack() {
    // Closing the device stops its thread before the samples go.
    if (device != 0) SDL_CloseAudioDevice(device);
    if (audioSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool Soundtrack::start(const char* fileName) {
    if (started) return hasSound(); // one stream per soundtrack
    started = true;
    std::string error;
    if (!decodeMp3File(fileName, audio, error)) {
        fallBack(error);
        return false;
    }
    rate = audio.rate;
    channels = audio.channels;
    return openOutput();
}

bool Soundtrack::openOutput() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        fallBack(std::string("no audio output: ") + SDL_GetError());
        return false;
    }
    audioSubsystem = true;
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.samples = deviceBufferFor(rate);
    wanted.callback = &Soundtrack::feedDevice;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device needs, so the
    // callback always sees the stream's own format.
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        fallBack(std::string("the audio output did not open: ") + SDL_GetError());
        return false;
    }
    deviceBufferFrames = obtained.samples;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void Soundtrack::fallBack(const std::string& reason) {
    noSoundReason = reason;
    if (audioSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioSubsystem = false;
    }
    std::fprintf(stderr, "no sound: %s; the show keeps time by the wall clock\n", reason.c_str());
    wallStart = SteadyClock::now();
}

void SDLCALL Soundtrack::feedDevice(void* self, Uint8* out, int length) {
    auto* soundtrack = static_cast<Soundtrack*>(self);
    const size_t frameBytes = static_cast<size_t>(soundtrack->channels) * 2;
    soundtrack->fill(reinterpret_cast<int16_t*>(out), static_cast<size_t>(length) / frameBytes);
}

// Runs on the audio thread.
void Soundtrack::fill(int16_t* out, size_t frames) {
    const int32_t volume = gain.load(std::memory_order_relaxed);
    const uint64_t sent = sentFrames.load(std::memory_order_relaxed);
    copyLoopedSamples(audio, sent, frames, volume, out);
    // Publish the new count with the moment it was handed over.
    const uint32_t count = publishCount.load(std::memory_order_relaxed);
    publishCount.store(count + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    sentFrames.store(sent + frames, std::memory_order_relaxed);
    sentAtNanos.store(steadyNanos(), std::memory_order_relaxed);
    publishCount.store(count + 2, std::memory_order_release);
}

// The sample being heard: everything handed to the device but the last
// buffer, plus as much of that buffer as has played since it was handed over.
uint64_t Soundtrack::heardFrames() {
    for (int attempt = 0; attempt < 64; ++attempt) {
        const uint32_t before = publishCount.load(std::memory_order_acquire);
        if (before & 1U) continue;
        const uint64_t sent = sentFrames.load(std::memory_order_relaxed);
        const int64_t sentAt = sentAtNanos.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (publishCount.load(std::memory_order_relaxed) != before) continue;
        const auto buffer = static_cast<uint64_t>(deviceBufferFrames);
        const uint64_t base = sent > buffer ? sent - buffer : 0;
        const uint64_t played = std::min(framesIn(steadyNanos() - sentAt, rate), sent - base);
        return base + played;
    }
    return lastHeard; // the audio thread stalled mid-update: keep the last reading
}

uint64_t Soundtrack::wallClockFrames() const {
    return framesIn(
        std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - wallStart)
            .count(),
        rate);
}

uint32_t Soundtrack::position() {
    const uint64_t frames = std::max(device != 0 ? heardFrames() : wallClockFrames(), lastHeard);
    lastHeard = frames;
    // Like the music, the position starts over at the end of the stream.
    const size_t total = audio.frames();
    const uint64_t inPass = total > 0 ? frames % total : frames;
    return static_cast<uint32_t>(inPass * static_cast<uint64_t>(channels) * 2);
}

void Soundtrack::setVolume(int32_t volume) {
    gain.store(std::clamp(volume, 0, 100), std::memory_order_relaxed);
}

uint32_t Soundtrack::loopBytes() const {
    return static_cast<uint32_t>(audio.frames() * static_cast<size_t>(channels) * 2);
}
