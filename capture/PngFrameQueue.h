#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/PngFrames.h"

// Writes a capture's PNG frames on worker threads, so that compressing them
// keeps pace with the frames being drawn. submit() copies the picture and
// returns at once while fewer than `depth` frames are in hand, and waits
// otherwise (each frame in hand holds a copy of the canvas).
//
// Failures come back in frame order: when a frame cannot be written, the
// frames in hand are finished first and the earliest failure is the one
// reported, by submit or by finish. The files of any later frames that were
// written meanwhile are removed again, so the folder holds frames 0 to n-1
// without gaps. After finish returns true every frame submitted is a
// complete file.
class PngFrameQueue {
  public:
    // Workers: one per processor (at least one, at most 8).
    static int32_t defaultWorkers();

    explicit PngFrameQueue(const PngFrames& frames, int32_t workers = defaultWorkers());
    ~PngFrameQueue(); // lets the workers write what they hold, then ends them
    PngFrameQueue(const PngFrameQueue&) = delete;
    PngFrameQueue& operator=(const PngFrameQueue&) = delete;

    bool submit(int64_t frame, const uint32_t* pixels, int32_t width, int32_t height,
                std::string& error);
    // Waits for every frame in hand.
    bool finish(std::string& error);

  private:
    struct Job {
        int64_t frame = 0;
        int32_t width = 0, height = 0;
        std::vector<uint32_t> pixels;
    };

    void work();
    void write(Job& job);
    // Under `lock`: waits for the frames in hand; returns the failure, or
    // empty.
    std::string settle(std::unique_lock<std::mutex>& lock);

    PngFrames frames;
    size_t depth = 1;
    std::mutex mutex;
    std::condition_variable jobWaiting; // a job was queued, or the end
    std::condition_variable jobDone;
    std::deque<Job> queue;
    std::vector<std::vector<uint32_t>> spareBuffers;
    size_t inHand = 0; // queued or being written
    bool ending = false;
    int64_t lastSubmitted = -1;
    int64_t failedFrame = -1; // the earliest frame that could not be written
    std::string failure;
    bool laterFramesRemoved = false;
    std::vector<std::thread> workers;
};
