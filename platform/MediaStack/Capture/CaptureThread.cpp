#include "MediaStack/Capture/CaptureThread.h"

namespace media {

CaptureThread::CaptureThread(std::chrono::nanoseconds period, Tick tick) : m_control(std::make_shared<Control>())
{
    m_thread = std::thread([control = m_control, period, tick = std::move(tick)] {
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        uint64_t number = 0;
        while (true) {
            {
                std::unique_lock lock(control->mutex);
                const auto due = start + period * static_cast<int64_t>(number);
                if (control->wake.wait_until(lock, due, [&] { return control->stopping; }))
                    return;
            }
            ++number;
            tick(number);
            // Behind by more than a period (a slow machine, a debugger): drop the lost ticks
            // rather than deliver a burst.
            const auto elapsed = Clock::now() - start;
            const auto current = static_cast<uint64_t>(elapsed / period);
            if (current > number)
                number = current;
        }
    });
}

CaptureThread::~CaptureThread() { stop(); }

void CaptureThread::stop()
{
    {
        std::lock_guard lock(m_control->mutex);
        m_control->stopping = true;
    }
    m_control->wake.notify_all();
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

} // namespace media
