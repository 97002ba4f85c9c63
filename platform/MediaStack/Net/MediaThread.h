#pragma once
// The media stack's own thread: a run loop on the shared clock (the main run loop's unless
// another is given), so DTLS and ICE timers of ours step with a manual clock in tests as the
// main loop's timers do. Every transport lives here: it is created, called and destroyed on
// this thread and calls back on it. Posting, scheduling and invoke() are safe from any thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class NSRunLoop;
class RunLoopClock;

namespace media {

class MediaThread {
public:
    // Starts the thread; returns once its loop turns.
    static std::shared_ptr<MediaThread> create(std::shared_ptr<RunLoopClock> clock = nullptr);
    // Stops the loop; work still queued is dropped. From the thread itself it lets the thread
    // finish on its own instead of joining it.
    ~MediaThread();
    MediaThread(const MediaThread&) = delete;
    MediaThread& operator=(const MediaThread&) = delete;

    void post(std::function<void()> work);
    // Runs `work` on the thread and waits for it; runs it at once when called on the thread.
    void invoke(const std::function<void()>& work);
    // `work` runs on the thread once `seconds` have passed on the loop's clock.
    uint64_t scheduleAfter(double seconds, std::function<void()> work);
    void cancel(uint64_t timerId);
    double now() const;
    bool isCurrent() const;

private:
    explicit MediaThread(std::shared_ptr<NSRunLoop> loop);

    std::shared_ptr<NSRunLoop> m_loop;
    std::thread m_thread;
};

} // namespace media
