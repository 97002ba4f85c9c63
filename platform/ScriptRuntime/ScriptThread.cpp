#include "ScriptRuntime/ScriptThread.h"

#include <exception>

#include <pthread.h>

#include "Foundation/NSLog.h"

namespace {
thread_local const ScriptThread* t_currentThread = nullptr;
}

ScriptThread::~ScriptThread()
{
    if (!m_thread.joinable())
        return;
    if (isCurrent())
        m_thread.detach();
    else
        m_thread.join();
}

void ScriptThread::start(const std::string& name, std::shared_ptr<void> keepAlive)
{
    m_keepAlive = std::move(keepAlive);
    // The thread waits for this assignment: nothing may read m_thread before it is made.
    std::unique_lock lock(m_mutex);
    m_thread = std::thread([this, name] {
        t_currentThread = this;
        pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
        run();
    });
}

bool ScriptThread::post(Task task)
{
    if (!task)
        return false;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return false;
        ++m_outstanding;
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
    return true;
}

void ScriptThread::stop(Task last)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_stopping = true;
        if (!m_thread.joinable()) { // never started: nothing to end
            m_finished = true;
            return;
        }
        m_last = std::move(last);
    }
    m_wake.notify_one();
}

void ScriptThread::join()
{
    if (!m_thread.joinable() || isCurrent())
        return;
    m_thread.join();
}

bool ScriptThread::isCurrent() const
{
    return t_currentThread == this;
}

bool ScriptThread::isStopping() const
{
    std::lock_guard lock(m_mutex);
    return m_stopping;
}

void ScriptThread::run()
{
    auto runGuarded = [](const Task& task) {
        try {
            task();
        } catch (const std::exception& e) {
            NSLog("ScriptBridge: uncaught native exception on the script thread: %s", e.what());
        } catch (...) {
            NSLog("ScriptBridge: uncaught native exception on the script thread");
        }
    };

    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
        if (m_stopping)
            break;
        Task task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        runGuarded(task);
        task = nullptr;
        --m_outstanding;
        lock.lock();
    }
    std::deque<Task> dropped;
    dropped.swap(m_tasks);
    Task last = std::move(m_last);
    m_last = nullptr;
    lock.unlock();

    // Dropped tasks may own promise handlers whose release posts again: post refuses now.
    m_outstanding -= static_cast<long>(dropped.size());
    dropped.clear();
    if (last)
        runGuarded(last);
    last = nullptr;
    m_finished = true;
    // Last: the owner may go with this reference, and with it this object.
    auto keepAlive = std::move(m_keepAlive);
    keepAlive.reset();
}
