#include "Foundation/NSRunLoop.h"

#include "Foundation/RunLoopEventSource.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <vector>

namespace {

// Timers due within this much of "now" count as due: fire dates are sums of doubles and
// must not miss the step that lands on them.
constexpr double kDueTolerance = 1e-6;
// pump() stops after this many rounds so that a block re-posting itself cannot hang it.
constexpr int kMaxPumpRounds = 10000;

std::atomic<std::thread::id> g_mainThread{};

void runGuarded(const std::function<void()>& block)
{
    try {
        block();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "NSRunLoop: uncaught exception in a block: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "NSRunLoop: uncaught exception in a block\n");
    }
}

} // namespace

NSRunLoop::NSRunLoop() : m_clock(std::make_shared<MonotonicClock>()) {}

NSRunLoop::~NSRunLoop() = default;

std::shared_ptr<NSRunLoop> NSRunLoop::mainRunLoop()
{
    static std::shared_ptr<NSRunLoop> loop = [] {
        std::thread::id none{};
        g_mainThread.compare_exchange_strong(none, std::this_thread::get_id());
        return std::make_shared<NSRunLoop>();
    }();
    return loop;
}

std::shared_ptr<NSRunLoop> NSRunLoop::currentRunLoop()
{
    if (isMainThread())
        return mainRunLoop();
    thread_local std::shared_ptr<NSRunLoop> loop = std::make_shared<NSRunLoop>();
    return loop;
}

void NSRunLoop::setMainThread()
{
    g_mainThread.store(std::this_thread::get_id());
    mainRunLoop();
}

bool NSRunLoop::isMainThread()
{
    auto id = g_mainThread.load();
    if (id == std::thread::id{}) {
        mainRunLoop();
        id = g_mainThread.load();
    }
    return id == std::this_thread::get_id();
}

double NSRunLoop::now() const
{
    std::shared_ptr<RunLoopClock> clock;
    {
        std::lock_guard lock(m_mutex);
        clock = m_clock;
    }
    return clock->now();
}

std::shared_ptr<RunLoopClock> NSRunLoop::clock() const
{
    std::lock_guard lock(m_mutex);
    return m_clock;
}

void NSRunLoop::setClock(std::shared_ptr<RunLoopClock> clock)
{
    if (!clock)
        clock = std::make_shared<MonotonicClock>();
    if (auto* manual = dynamic_cast<ManualClock*>(clock.get()))
        manual->attach(shared_from_this());
    {
        std::lock_guard lock(m_mutex);
        // Pending timers keep their remaining delay on the new clock.
        double delta = clock->now() - m_clock->now();
        std::map<TimerKey, std::function<void()>> rebased;
        for (auto& [key, fire] : m_timers) {
            TimerKey moved{key.fireAt + delta, key.id};
            m_timerIndex[key.id] = moved;
            rebased.emplace(moved, std::move(fire));
        }
        m_timers.swap(rebased);
        m_clock = std::move(clock);
    }
    wakeWaiters();
}

void NSRunLoop::setEventSource(std::shared_ptr<RunLoopEventSource> source)
{
    std::lock_guard lock(m_mutex);
    m_eventSource = std::move(source);
}

std::shared_ptr<RunLoopEventSource> NSRunLoop::eventSource() const
{
    std::lock_guard lock(m_mutex);
    return m_eventSource;
}

void NSRunLoop::wakeWaiters()
{
    m_wake.notify_all();
    if (auto source = eventSource())
        source->wake();
}

void NSRunLoop::performBlock(std::function<void()> block)
{
    if (!block)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_blocks.push_back(std::move(block));
    }
    wakeWaiters();
}

uint64_t NSRunLoop::scheduleAt(double fireAt, std::function<void()> fire)
{
    uint64_t id;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextTimerId++;
        TimerKey key{fireAt, id};
        m_timers.emplace(key, std::move(fire));
        m_timerIndex.emplace(id, key);
    }
    wakeWaiters();
    return id;
}

void NSRunLoop::cancelTimer(uint64_t id)
{
    std::function<void()> dropped; // destroyed after the lock is released: it may own objects that reschedule
    std::lock_guard lock(m_mutex);
    auto it = m_timerIndex.find(id);
    if (it == m_timerIndex.end())
        return;
    auto timer = m_timers.find(it->second);
    if (timer != m_timers.end()) {
        dropped = std::move(timer->second);
        m_timers.erase(timer);
    }
    m_timerIndex.erase(it);
}

void NSRunLoop::cancelAllTimers()
{
    std::map<TimerKey, std::function<void()>> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped.swap(m_timers);
        m_timerIndex.clear();
    }
}

void NSRunLoop::discardPendingBlocks()
{
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped.swap(m_blocks);
    }
}

bool NSRunLoop::hasPendingBlocks() const
{
    std::lock_guard lock(m_mutex);
    return !m_blocks.empty();
}

bool NSRunLoop::nextTimerDate(double& fireAt) const
{
    std::lock_guard lock(m_mutex);
    if (m_timers.empty())
        return false;
    fireAt = m_timers.begin()->first.fireAt;
    return true;
}

size_t NSRunLoop::runQueuedBlocks()
{
    std::deque<std::function<void()>> blocks;
    {
        std::lock_guard lock(m_mutex);
        blocks.swap(m_blocks);
    }
    for (auto& block : blocks)
        runGuarded(block);
    return blocks.size();
}

bool NSRunLoop::runOneDueTimer(double limit)
{
    std::function<void()> fire;
    {
        std::lock_guard lock(m_mutex);
        if (m_timers.empty() || m_timers.begin()->first.fireAt > limit + kDueTolerance)
            return false;
        auto node = m_timers.extract(m_timers.begin());
        m_timerIndex.erase(node.key().id);
        fire = std::move(node.mapped());
    }
    runGuarded(fire);
    return true;
}

void NSRunLoop::pump()
{
    double limit = now();
    auto source = eventSource();
    for (int round = 0; round < kMaxPumpRounds; ++round) {
        if (source)
            source->dispatchReady();
        size_t ran = runQueuedBlocks();
        bool fired = runOneDueTimer(limit);
        if (ran == 0 && !fired)
            return;
    }
}

void NSRunLoop::advanceManualClock(ManualClock& clock, double target)
{
    // A clock this loop no longer runs on only keeps its own time.
    if (this->clock().get() != &clock) {
        clock.setTime(target);
        return;
    }
    if (!isMainThread() && this == mainRunLoop().get()) {
        // Off the main thread time may move, but timers are the main thread's to run.
        clock.setTime(target);
        wakeWaiters();
        return;
    }
    pump();
    double fireAt;
    while (nextTimerDate(fireAt) && fireAt <= target + kDueTolerance) {
        if (fireAt > clock.now())
            clock.setTime(fireAt < target ? fireAt : target);
        pump();
    }
    clock.setTime(target);
    pump();
}

void NSRunLoop::waitForWork(double maxRealSeconds)
{
    std::unique_lock lock(m_mutex);
    if (!m_blocks.empty() || m_stopRequested)
        return;
    // Checked under the lock that wakeForClock takes, so a step of the clock is never missed.
    if (m_clock->isManual() && !m_timers.empty() && m_timers.begin()->first.fireAt <= m_clock->now() + kDueTolerance)
        return;
    double wait = maxRealSeconds;
    if (!m_clock->isManual() && !m_timers.empty()) {
        double untilTimer = m_timers.begin()->first.fireAt - m_clock->now();
        if (untilTimer < wait)
            wait = untilTimer;
    }
    if (wait <= 0)
        return;
    if (auto source = m_eventSource) {
        // Whatever is queued after the check above wakes the source, so nothing is missed
        // while the lock is released.
        lock.unlock();
        source->waitAndDispatch(wait);
        return;
    }
    m_wake.wait_for(lock, std::chrono::duration<double>(wait));
}

void NSRunLoop::wakeForClock()
{
    {
        std::lock_guard lock(m_mutex);
    }
    wakeWaiters();
}

void NSRunLoop::runUntilDate(double secondsFromNow)
{
    if (!(secondsFromNow > 0)) {
        pump();
        return;
    }
    auto current = clock();
    if (auto* manual = dynamic_cast<ManualClock*>(current.get())) {
        advanceManualClock(*manual, manual->now() + secondsFromNow);
        return;
    }
    double deadline = now() + secondsFromNow;
    for (;;) {
        pump();
        double remaining = deadline - now();
        if (remaining <= 0)
            break;
        waitForWork(remaining);
    }
}

bool NSRunLoop::spin_until(std::function<bool()> predicate, double timeoutSeconds)
{
    using namespace std::chrono;
    auto deadline = steady_clock::now() + duration_cast<steady_clock::duration>(duration<double>(timeoutSeconds));
    for (;;) {
        pump();
        if (predicate())
            return true;
        auto left = duration<double>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return predicate();
        // Short slices: the predicate may wait on another thread's state that posts nothing.
        waitForWork(left < 0.01 ? left : 0.01);
    }
}

void NSRunLoop::run()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_running;
    }
    for (;;) {
        pump();
        {
            std::lock_guard lock(m_mutex);
            if (m_stopRequested) {
                m_stopRequested = false;
                --m_running;
                return;
            }
        }
        waitForWork(1.0);
    }
}

void NSRunLoop::stop()
{
    {
        std::lock_guard lock(m_mutex);
        // Like the platform: stopping a loop that is not running has no lasting effect.
        if (m_running == 0)
            return;
        m_stopRequested = true;
    }
    wakeWaiters();
}
