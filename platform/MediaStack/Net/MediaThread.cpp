#include "MediaStack/Net/MediaThread.h"

#include <future>

#include "Foundation/NSRunLoop.h"

namespace media {

std::shared_ptr<MediaThread> MediaThread::create(std::shared_ptr<RunLoopClock> clock)
{
    auto loop = std::make_shared<NSRunLoop>();
    loop->setClock(clock ? std::move(clock) : NSRunLoop::mainRunLoop()->clock());
    return std::shared_ptr<MediaThread>(new MediaThread(std::move(loop)));
}

MediaThread::MediaThread(std::shared_ptr<NSRunLoop> loop) : m_loop(std::move(loop))
{
    // stop() only reaches a loop that is inside run(): wait until this first block runs there.
    std::promise<void> running;
    auto turning = running.get_future();
    m_loop->performBlock([&running] { running.set_value(); });
    // The thread holds the loop, not this object, so it may outlive us (see the destructor).
    m_thread = std::thread([loop = m_loop] { loop->run(); });
    turning.wait();
}

MediaThread::~MediaThread()
{
    m_loop->cancelAllTimers();
    m_loop->discardPendingBlocks();
    m_loop->stop();
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

void MediaThread::post(std::function<void()> work) { m_loop->performBlock(std::move(work)); }

void MediaThread::invoke(const std::function<void()>& work)
{
    if (isCurrent()) {
        work();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    m_loop->performBlock([&] {
        try {
            work();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    finished.get();
}

uint64_t MediaThread::scheduleAfter(double seconds, std::function<void()> work)
{
    return m_loop->scheduleAt(m_loop->now() + (seconds > 0 ? seconds : 0), std::move(work));
}

void MediaThread::cancel(uint64_t timerId) { m_loop->cancelTimer(timerId); }

double MediaThread::now() const { return m_loop->now(); }

bool MediaThread::isCurrent() const { return m_thread.get_id() == std::this_thread::get_id(); }

} // namespace media
