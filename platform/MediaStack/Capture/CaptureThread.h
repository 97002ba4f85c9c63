#pragma once
// The paced thread of a capture device: it calls its tick with 1, 2, 3 ... once a period of
// real time (a camera or a microphone keeps the world's time, not the run loop's), skipping
// ticks it fell behind on, until stopped. The tick and what it holds belong to the thread,
// so the owner may go away while a tick runs: stop() from the tick itself lets the thread end
// on its own instead of joining it.
// Created and stopped on any thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace media {

class CaptureThread {
public:
    using Tick = std::function<void(uint64_t tickNumber)>;

    CaptureThread(std::chrono::nanoseconds period, Tick tick);
    ~CaptureThread();
    CaptureThread(const CaptureThread&) = delete;
    CaptureThread& operator=(const CaptureThread&) = delete;

    // Returns once no tick runs or will run (except when called from a tick).
    void stop();

private:
    struct Control {
        std::mutex mutex;
        std::condition_variable wake;
        bool stopping = false;
    };

    std::shared_ptr<Control> m_control;
    std::thread m_thread;
};

} // namespace media
