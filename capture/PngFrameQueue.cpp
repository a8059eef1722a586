#include "capture/PngFrameQueue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

int32_t PngFrameQueue::defaultWorkers() {
    const unsigned processors = std::thread::hardware_concurrency();
    return static_cast<int32_t>(std::clamp(processors, 1u, 8u));
}

PngFrameQueue::PngFrameQueue(const PngFrames& frameFiles, int32_t workerCount)
    : frames(frameFiles) {
    const int32_t wanted = std::max(workerCount, 1);
    // Two frames a worker: one being compressed, one ready to follow.
    depth = static_cast<size_t>(wanted) * 2;
    for (int32_t i = 0; i < wanted; ++i) {
        try {
            workers.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer workers, or none: submit then writes itself
        }
    }
}

PngFrameQueue::~PngFrameQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        ending = true;
    }
    jobWaiting.notify_all();
    for (std::thread& worker : workers) worker.join();
}

void PngFrameQueue::work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        jobWaiting.wait(lock, [&] { return !queue.empty() || ending; });
        if (queue.empty()) return; // ending, and nothing left to write
        Job job = std::move(queue.front());
        queue.pop_front();
        lock.unlock();
        write(job);
        lock.lock();
    }
}

// Writes one frame and notes how it went; called without the mutex.
void PngFrameQueue::write(Job& job) {
    std::string error;
    const bool written = writePng(frames.pathOf(job.frame), job.pixels.data(), job.width,
                                  job.height, job.width, error);
    std::lock_guard<std::mutex> lock(mutex);
    if (!written && (failedFrame < 0 || job.frame < failedFrame)) {
        failedFrame = job.frame;
        failure = error;
    }
    spareBuffers.push_back(std::move(job.pixels));
    --inHand;
    jobDone.notify_all();
}

std::string PngFrameQueue::settle(std::unique_lock<std::mutex>& lock) {
    jobDone.wait(lock, [&] { return inHand == 0; });
    if (failedFrame < 0) return {};
    if (!laterFramesRemoved) {
        // Frames after the one that failed were written by this queue; a run
        // with a gap in it would pass for more than was captured.
        for (int64_t frame = failedFrame + 1; frame <= lastSubmitted; ++frame)
            std::remove(frames.pathOf(frame).c_str());
        laterFramesRemoved = true;
    }
    return failure;
}

bool PngFrameQueue::submit(int64_t frame, const uint32_t* pixels, int32_t width, int32_t height,
                           std::string& error) {
    const size_t count = width > 0 && height > 0 ? static_cast<size_t>(width) * height : 0;
    std::unique_lock<std::mutex> lock(mutex);
    if (failedFrame < 0) jobDone.wait(lock, [&] { return inHand < depth || failedFrame >= 0; });
    if (failedFrame >= 0) {
        error = settle(lock);
        return false;
    }
    Job job;
    job.frame = frame;
    job.width = width;
    job.height = height;
    if (!spareBuffers.empty()) {
        job.pixels = std::move(spareBuffers.back());
        spareBuffers.pop_back();
    }
    lock.unlock();
    job.pixels.resize(count);
    if (count > 0) std::memcpy(job.pixels.data(), pixels, count * sizeof(uint32_t));
    lock.lock();
    lastSubmitted = std::max(lastSubmitted, frame);
    ++inHand;
    if (workers.empty()) {
        lock.unlock();
        write(job);
        lock.lock();
    } else {
        queue.push_back(std::move(job));
        jobWaiting.notify_one();
    }
    return true;
}

bool PngFrameQueue::finish(std::string& error) {
    std::unique_lock<std::mutex> lock(mutex);
    const std::string reason = settle(lock);
    if (reason.empty()) return true;
    error = reason;
    return false;
}
