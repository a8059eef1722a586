// Measures the soundtrack clock against the audio device it plays through,
// and what start-up costs: reading the sync script and opening the stream.
//
//   SDL_AUDIODRIVER=dummy build/sync_clock_probe [seconds of music]
//
// Prints medians of repeated runs, and for the clock: its pace against the
// steady clock and against the frames the device consumed, its largest
// departure from a straight line, and how far it trails the device's count.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Mp3Decode.h"
#include "platform/Soundtrack.h"
#include "sync/MusicSync.h"
#include "sync_support.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

template <typename F> double medianMs(int runs, F&& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = SteadyClock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string script(int patterns, int eventsPerTrack) {
    std::ostringstream s;
    s << "show " << patterns << "\n";
    for (int p = 0; p < patterns; ++p) {
        s << "pattern" << p << " 5\n";
        for (int t = 0; t < 5; ++t) {
            s << "track" << t << " " << eventsPerTrack << "\n";
            for (int e = 0; e < eventsPerTrack; ++e)
                s << (e + 1) * 44100 << " " << (e * 37) % 256 << " " << e % 30 << "\n";
        }
    }
    return s.str();
}

// Least-squares line through (x, y).
void fitLine(const std::vector<double>& x, const std::vector<double>& y, double& slope,
             double& offset) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double n = static_cast<double>(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        sx += x[i], sy += y[i], sxx += x[i] * x[i], sxy += x[i] * y[i];
    }
    slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    offset = (sy - slope * sx) / n;
}

} // namespace

int main(int argc, char** argv) {
    const double musicSeconds = argc > 1 ? std::atof(argv[1]) : 180.0;
    synctest::TempDir dir;

    // Start-up: the script.
    const std::string showScript = dir.write("show", script(1, 200));
    const std::string fullScript = dir.write("full", script(maxPatterns, maxEventsPerTrack));
    MusicSync sync;
    const double showMs = medianMs(21, [&] { sync.readScript(showScript.c_str()); });
    const double fullMs = medianMs(5, [&] { sync.readScript(fullScript.c_str()); });
    std::printf("readScript, 1 pattern x 5 tracks x 200 events: median %.2f ms\n", showMs);
    std::printf("readScript, full store (100 x 5 x 200 events, %.1f MB): median %.1f ms\n",
                static_cast<double>(synctest::readFile(fullScript).size()) / 1e6, fullMs);

    // Start-up: the stream.
    const int32_t rate = 44100;
    const auto frames = static_cast<size_t>(musicSeconds * rate);
    const std::string mp3 = dir.file("music.mp3");
    if (!synctest::writeMp3(mp3, synctest::tone(rate, 2, frames, 440.0), rate, 2)) return 1;
    DecodedAudio decoded;
    std::string error;
    const double decodeMs = medianMs(5, [&] { decodeMp3File(mp3.c_str(), decoded, error); });
    const double startMs = medianMs(5, [&] {
        Soundtrack music;
        music.start(mp3.c_str());
    });
    std::printf("decode %.0f s of 44.1 kHz stereo: median %.0f ms (%.0fx real time)\n",
                musicSeconds, decodeMs, musicSeconds * 1000.0 / decodeMs);
    std::printf("Soundtrack::start (open, first moments decoded, output open): median %.0f ms\n",
                startMs);

    // The clock against the device.
    Soundtrack music;
    if (!music.start(mp3.c_str())) return 1;
    const double buffer = music.bufferFrames();
    std::vector<double> at, heard, sentTimes, sent, behindMs;
    uint32_t previous = 0;
    int backwards = 0;
    const auto start = SteadyClock::now();
    uint64_t lastSent = 0;
    while (SteadyClock::now() - start < std::chrono::seconds(4)) {
        const uint64_t sentNow = music.framesSent();
        const uint32_t p = music.position();
        const double t = std::chrono::duration<double>(SteadyClock::now() - start).count();
        if (p < previous) ++backwards;
        previous = p;
        if (t > 0.5) { // past the start-up of the device thread
            at.push_back(t);
            heard.push_back(p / 4.0);
            behindMs.push_back((static_cast<double>(sentNow) - p / 4.0) * 1000.0 / rate);
            if (sentNow != lastSent)
                sentTimes.push_back(t), sent.push_back(static_cast<double>(sentNow));
        }
        lastSent = sentNow;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    double slope = 0, offset = 0, sentSlope = 0, sentOffset = 0;
    fitLine(at, heard, slope, offset);
    fitLine(sentTimes, sent, sentSlope, sentOffset);
    double worst = 0;
    for (size_t i = 0; i < at.size(); ++i)
        worst = std::max(worst, std::abs(heard[i] - (slope * at[i] + offset)) * 1000.0 / rate);
    std::sort(behindMs.begin(), behindMs.end());
    std::printf("device buffer: %.0f frames (%.1f ms)\n", buffer, buffer * 1000.0 / rate);
    std::printf("position pace / steady clock: %.4f; device pace / steady clock: %.4f\n",
                slope / rate, sentSlope / rate);
    std::printf("largest departure of the position from its line: %.2f ms\n", worst);
    std::printf("position behind the device's count: min %.2f, median %.2f, max %.2f ms\n",
                behindMs.front(), behindMs[behindMs.size() / 2], behindMs.back());
    std::printf("readings %zu, backwards steps %d\n", at.size(), backwards);
    return 0;
}
