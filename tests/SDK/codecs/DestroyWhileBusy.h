#pragma once
// Tears a codec down again and again while another thread keeps calling into it, as the
// media stack may when a call ends: `work` runs on a thread of its own, over and over, and
// `destroy` runs here each time that thread has gone into a fresh call.
#include <atomic>
#include <functional>
#include <thread>

inline void destroyWhileBusy(const std::function<void()>& work, const std::function<void()>& destroy, int times = 200)
{
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::thread worker([&] {
        while (!stop.load()) {
            work();
            calls.fetch_add(1);
        }
    });
    for (int i = 0; i < times; ++i) {
        for (const int seen = calls.load(); calls.load() == seen;) {
            std::this_thread::yield();
        }
        destroy();
    }
    stop.store(true);
    worker.join();
}
