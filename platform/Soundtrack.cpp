#include "platform/Soundtrack.h"

#include <algorithm>
#include <cstdio>

#include "platform/DecodeAhead.h"
#include "platform/LibraryMessages.h"
#include "platform/Mp3Stream.h"
#include "platform/RingPlayer.h"
#include "platform/SampleRing.h"

namespace {

// About 1.5 s of sound between the decoder and the output, of which the
// first quarter second is decoded before the output opens.
constexpr size_t ringBlocks = 64;
constexpr size_t prefillBlocks = 12;

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

Soundtrack::Soundtrack() = default;

Soundtrack::~Soundtrack() {
    // Closing the device stops its thread before the ring and the decoder go.
    if (device != 0) SDL_CloseAudioDevice(device);
    if (audioSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    decoder.reset();
}

bool Soundtrack::prepare(const char* fileName) {
    if (prepared) return hasSound(); // one stream per soundtrack
    prepared = true;
    Mp3Stream stream;
    std::string error;
    if (!stream.open(fileName, error)) {
        fallBack(error);
        return false;
    }
    rate = stream.rate();
    channels = stream.channels();
    announcedFrames = stream.announcedFrames();

    ring = std::make_unique<SampleRing>(ringBlocks);
    // Five milliseconds of fade for a jump or a pause.
    player = std::make_unique<RingPlayer>(*ring, channels, rate / 200);
    player->setVolume(gain);
    const Mp3Source source = stream.source();
    decoder = std::make_unique<DecodeAhead>(std::move(stream), *ring);
    if (!decoder->prefill(prefillBlocks)) {
        decoder.reset();
        fallBack(std::string(fileName) + " holds no audio");
        return false;
    }
    if (!openOutput()) {
        // Without an output nothing needs decoding; the wall clock still
        // starts over where a pass ends, once that is known.
        decoder.reset();
        unmeasured = std::make_unique<Mp3Source>(source);
        return false;
    }
    return true;
}

bool Soundtrack::start(const char* fileName) {
    if (started) return hasSound();
    started = true;
    prepare(fileName);
    if (device == 0) {
        std::fprintf(stderr, "no sound: %s; the show keeps time by the wall clock\n",
                     noSoundReason.c_str());
        wallStart = SteadyClock::now();
        wallBase = 0;
        if (unmeasured) {
            // It waits a little first, so as not to compete with the
            // start-up: the length matters only once a pass has gone by.
            measurer =
                std::jthread([source = *unmeasured, result = measuredFrames](std::stop_token stop) {
                    for (int wait = 0; wait < 40 && !stop.stop_requested(); ++wait)
                        std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    result->store(source.measureFrames(stop), std::memory_order_release);
                });
        }
        return false;
    }
    decoder->start();
    SDL_PauseAudioDevice(device, 0);
    return true;
}

bool Soundtrack::openOutput() {
    // Without a sound card, libasound would print a screenful of its own
    // lines; the fall-back line below says it once.
    quietSoundSystemMessages();
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
    wanted.userdata = player.get();
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device needs, so the
    // callback always sees the stream's own format.
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        fallBack(std::string("the audio output did not open: ") + SDL_GetError());
        return false;
    }
    deviceBufferFrames = obtained.samples;
    return true;
}

void Soundtrack::fallBack(const std::string& reason) {
    // An audio subsystem that came up is closed with the soundtrack, not
    // now: closing it waits for SDL's device-watching thread, up to a tenth
    // of a second, which the start of the show would wait for too.
    noSoundReason = reason;
}

// Runs on the audio thread.
void SDLCALL Soundtrack::feedDevice(void* self, Uint8* out, int length) {
    auto* player = static_cast<RingPlayer*>(self);
    const size_t frameBytes = player->frameBytes();
    player->fill(reinterpret_cast<int16_t*>(out), static_cast<size_t>(length) / frameBytes,
                 steadyNanos());
}

uint64_t Soundtrack::passFrames() const {
    if (decoder) {
        if (const uint64_t decoded = decoder->passFrames()) return decoded;
    } else if (const uint64_t measured = measuredFrames->load(std::memory_order_acquire)) {
        return measured;
    }
    return announcedFrames;
}

// The sample being heard on the play line: everything handed to the device
// but the stream samples of the last buffer, plus as much of those as has
// played since it was handed over. Before the audio thread has taken up the
// latest start of play, that start.
uint64_t Soundtrack::heardFrames() {
    RingPlayer::Progress now;
    if (!player->progress(now)) return lastHeard; // caught mid-update: keep the last reading
    if (now.generation != generation) return startFrame;
    const uint64_t base = now.end - now.lastFrames;
    return base + std::min(framesIn(steadyNanos() - now.at, rate), now.lastFrames);
}

uint64_t Soundtrack::wallClockFrames() const {
    if (isPaused) return wallBase;
    return wallBase + framesIn(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   SteadyClock::now() - wallStart)
                                   .count(),
                               rate);
}

uint32_t Soundtrack::bytesAt(uint64_t frames) const {
    // Like the music, the position starts over at the end of each pass.
    const uint64_t pass = passFrames();
    const uint64_t inPass = pass > 0 ? frames % pass : frames;
    return static_cast<uint32_t>(inPass * static_cast<uint64_t>(channels) * 2);
}

uint32_t Soundtrack::position() {
    uint64_t frames = device != 0 ? heardFrames() : wallClockFrames();
    if (heardGeneration != generation) {
        heardGeneration = generation; // a new start of play may step back
    } else {
        frames = std::max(frames, lastHeard);
    }
    lastHeard = frames;
    return bytesAt(frames);
}

void Soundtrack::playFrom(uint32_t bytes) {
    uint64_t frame = bytes / (static_cast<uint64_t>(channels) * 2);
    if (const uint64_t pass = passFrames()) frame %= pass;
    ++generation;
    startFrame = frame;
    wallStart = SteadyClock::now();
    wallBase = frame;
    if (device != 0) {
        decoder->jump(generation, frame);
        player->jump(generation);
    }
}

void Soundtrack::pause() {
    if (isPaused) return;
    wallBase = wallClockFrames();
    isPaused = true;
    if (device != 0) player->setPaused(true);
}

void Soundtrack::resume() {
    if (!isPaused) return;
    isPaused = false;
    wallStart = SteadyClock::now();
    if (device != 0) player->setPaused(false);
}

void Soundtrack::setVolume(int32_t volume) {
    gain = std::clamp(volume, 0, 100);
    if (player) player->setVolume(gain);
}

uint32_t Soundtrack::loopBytes() const {
    return static_cast<uint32_t>(passFrames() * static_cast<uint64_t>(channels) * 2);
}

uint64_t Soundtrack::framesSent() const {
    RingPlayer::Progress now;
    return player && player->progress(now) ? now.sent : 0;
}
