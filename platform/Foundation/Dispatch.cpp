#include "Foundation/Dispatch.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <future>
#include <mutex>
#include <thread>

#include "Foundation/NSRunLoop.h"

namespace {

thread_local const DispatchQueue* t_currentQueue = nullptr;

void runBlock(const DispatchQueue* queue, const dispatch_block_t& block)
{
    const DispatchQueue* outer = t_currentQueue;
    t_currentQueue = queue;
    try {
        block();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dispatch: uncaught exception in a block on %s: %s\n", queue->label().c_str(), e.what());
    } catch (...) {
        std::fprintf(stderr, "dispatch: uncaught exception in a block on %s\n", queue->label().c_str());
    }
    t_currentQueue = outer;
}

// The worker threads behind every queue but the main one. A new thread starts whenever work
// arrives and none is idle, so a block that waits on another queue (dispatch_sync) never
// starves the pool. Idle threads stay for the life of the process.
class WorkerPool {
public:
    static WorkerPool& shared()
    {
        static WorkerPool* pool = new WorkerPool; // never destroyed: workers may outlive main()
        return *pool;
    }

    void post(std::function<void()> job)
    {
        bool spawn = false;
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(job));
            if (m_idle == 0) {
                spawn = true;
                ++m_threads;
            }
        }
        if (spawn)
            std::thread([this] { work(); }).detach();
        else
            m_wake.notify_one();
    }

private:
    void work()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            ++m_idle;
            m_wake.wait(lock, [this] { return !m_jobs.empty(); });
            --m_idle;
            auto job = std::move(m_jobs.front());
            m_jobs.pop_front();
            lock.unlock();
            job();
            job = nullptr;
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    size_t m_idle = 0;
    size_t m_threads = 0;
};

class MainQueue final : public DispatchQueue {
public:
    MainQueue() : DispatchQueue(Kind::Main, "main") {}
    void async(dispatch_block_t block) override { NSRunLoop::mainRunLoop()->performBlock(std::move(block)); }
    bool isCurrent() const override { return NSRunLoop::isMainThread(); }
};

class ConcurrentQueue final : public DispatchQueue {
public:
    ConcurrentQueue(Kind kind, std::string label) : DispatchQueue(kind, std::move(label)) {}
    void async(dispatch_block_t block) override
    {
        WorkerPool::shared().post([this, block = std::move(block)] { runBlock(this, block); });
    }
    bool isCurrent() const override { return t_currentQueue == this; }
};

class SerialQueue final : public DispatchQueue, public std::enable_shared_from_this<SerialQueue> {
public:
    explicit SerialQueue(std::string label) : DispatchQueue(Kind::Serial, std::move(label)) {}

    void async(dispatch_block_t block) override
    {
        bool start = false;
        {
            std::lock_guard lock(m_mutex);
            m_blocks.push_back(std::move(block));
            if (!m_draining) {
                m_draining = true;
                start = true;
            }
        }
        // The drain holds the queue alive until its last block has run.
        if (start)
            WorkerPool::shared().post([self = shared_from_this()] { self->drain(); });
    }

    bool isCurrent() const override { return t_currentQueue == this; }

private:
    void drain()
    {
        for (;;) {
            dispatch_block_t block;
            {
                std::lock_guard lock(m_mutex);
                if (m_blocks.empty()) {
                    m_draining = false;
                    return;
                }
                block = std::move(m_blocks.front());
                m_blocks.pop_front();
            }
            runBlock(this, block);
        }
    }

    std::mutex m_mutex;
    std::deque<dispatch_block_t> m_blocks;
    bool m_draining = false;
};

} // namespace

dispatch_queue_t dispatch_get_main_queue()
{
    static dispatch_queue_t queue = std::make_shared<MainQueue>();
    return queue;
}

dispatch_queue_t dispatch_get_global_queue(long priority, unsigned long)
{
    // One queue per priority band; all of them share the worker pool.
    static dispatch_queue_t high = std::make_shared<ConcurrentQueue>(DispatchQueue::Kind::Global, "global.high");
    static dispatch_queue_t normal = std::make_shared<ConcurrentQueue>(DispatchQueue::Kind::Global, "global.default");
    static dispatch_queue_t low = std::make_shared<ConcurrentQueue>(DispatchQueue::Kind::Global, "global.low");
    static dispatch_queue_t background = std::make_shared<ConcurrentQueue>(DispatchQueue::Kind::Global, "global.background");
    switch (priority) {
    case DISPATCH_QUEUE_PRIORITY_HIGH:
    case QOS_CLASS_USER_INTERACTIVE:
    case QOS_CLASS_USER_INITIATED:
        return high;
    case DISPATCH_QUEUE_PRIORITY_LOW:
    case QOS_CLASS_UTILITY:
        return low;
    case DISPATCH_QUEUE_PRIORITY_BACKGROUND:
    case QOS_CLASS_BACKGROUND:
        return background;
    default:
        return normal;
    }
}

dispatch_queue_t dispatch_queue_create(const char* label)
{
    return dispatch_queue_create(label, DISPATCH_QUEUE_SERIAL);
}

dispatch_queue_t dispatch_queue_create(const char* label, dispatch_queue_attr_t attr)
{
    std::string name = label ? label : "";
    if (attr == DISPATCH_QUEUE_CONCURRENT)
        return std::make_shared<ConcurrentQueue>(DispatchQueue::Kind::Concurrent, std::move(name));
    return std::make_shared<SerialQueue>(std::move(name));
}

const char* dispatch_queue_get_label(const dispatch_queue_t& queue)
{
    return queue ? queue->label().c_str() : "";
}

void dispatch_async(const dispatch_queue_t& queue, dispatch_block_t block)
{
    if (!queue || !block)
        return;
    queue->async(std::move(block));
}

void dispatch_sync(const dispatch_queue_t& queue, dispatch_block_t block)
{
    if (!queue || !block)
        return;
    if (queue->isCurrent()) {
        block();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    queue->async([&block, &done] {
        try {
            block();
        } catch (...) {
        }
        done.set_value();
    });
    finished.wait();
}

dispatch_time_t dispatch_time(dispatch_time_t base, int64_t deltaNs)
{
    if (base == DISPATCH_TIME_FOREVER)
        return DISPATCH_TIME_FOREVER;
    int64_t start = base == DISPATCH_TIME_NOW ? static_cast<int64_t>(NSRunLoop::mainRunLoop()->now() * 1e9 + 0.5)
                                              : static_cast<int64_t>(base);
    int64_t when = start + deltaNs;
    // 0 means "now" to every reader; the earliest real time is 1 ns.
    return when < 1 ? 1 : static_cast<dispatch_time_t>(when);
}

void dispatch_after(dispatch_time_t when, const dispatch_queue_t& queue, dispatch_block_t block)
{
    if (!queue || !block || when == DISPATCH_TIME_FOREVER)
        return;
    auto loop = NSRunLoop::mainRunLoop();
    double fireAt = when == DISPATCH_TIME_NOW ? loop->now() : static_cast<double>(when) / 1e9;
    if (queue->kind() == DispatchQueue::Kind::Main) {
        loop->scheduleAt(fireAt, std::move(block));
        return;
    }
    loop->scheduleAt(fireAt, [queue, block = std::move(block)]() mutable { queue->async(std::move(block)); });
}
