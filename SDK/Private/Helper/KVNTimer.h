#pragma once
// A block-based timer on the current (main) run loop: runs an action once or repeatedly after
// an interval until it is cancelled. Scheduling again cancels the pending run first, so only
// the latest action ever runs. A cancelled or released KVNTimer never runs its action again.
// Make it with std::make_shared (the scheduled timer refers back to it weakly). Main thread.
#include <functional>
#include <memory>

class NSTimer;

class KVNTimer : public std::enable_shared_from_this<KVNTimer> {
public:
    using Action = std::function<void()>;

    KVNTimer() = default;
    ~KVNTimer();
    KVNTimer(const KVNTimer&) = delete;
    KVNTimer& operator=(const KVNTimer&) = delete;

    void executeAfterSeconds_repeats_action(double seconds, bool repeats, Action action);
    void cancel();

private:
    void fire();

    std::shared_ptr<NSTimer> m_timer;
    Action m_action;
};
