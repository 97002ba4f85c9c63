#pragma once
// The script's own thread and its task queue: everything that touches the engine runs here,
// one task at a time, in the order posted. Other threads post work; nothing waits on the
// script unless it asks to (ScriptContext::evaluate).
// The thread counts outstanding work (tasks queued or running, plus work handed out with
// beginWork/endWork) so that tests can wait until the script has nothing left to do.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class ScriptThread {
public:
    using Task = std::function<void()>;

    ScriptThread() = default;
    // Joins the thread (detaches it when destroyed on the thread itself).
    ~ScriptThread();
    ScriptThread(const ScriptThread&) = delete;
    ScriptThread& operator=(const ScriptThread&) = delete;

    // Starts the thread; `keepAlive` is held until the thread ends.
    void start(const std::string& name, std::shared_ptr<void> keepAlive);
    // False (and the task dropped) once the thread is stopping.
    bool post(Task task);
    // Takes no more tasks, drops those not yet run, runs `last` on the thread and lets it end.
    // Does not wait: see hasFinished() and join().
    void stop(Task last);
    bool hasFinished() const { return m_finished.load(); }
    // Waits for the end of the thread; at once when called on the thread itself.
    void join();

    bool isCurrent() const;
    bool isStopping() const;

    void beginWork() { ++m_outstanding; }
    void endWork() { --m_outstanding; }
    bool isIdle() const { return m_outstanding.load() == 0; }

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;
    Task m_last;
    bool m_stopping = false;
    std::atomic<bool> m_finished{false};
    std::atomic<long> m_outstanding{0};
    std::shared_ptr<void> m_keepAlive;
    std::thread m_thread;
};
