#include "Private/Helper/KVNTimer.h"

#include "Foundation/NSTimer.h"

KVNTimer::~KVNTimer()
{
    if (m_timer)
        m_timer->invalidate();
}

void KVNTimer::executeAfterSeconds_repeats_action(double seconds, bool repeats, Action action)
{
    cancel();
    m_action = std::move(action);
    std::weak_ptr<KVNTimer> weakSelf = weak_from_this();
    m_timer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(seconds, repeats, [weakSelf](const std::shared_ptr<NSTimer>&) {
        if (auto self = weakSelf.lock())
            self->fire();
    });
}

void KVNTimer::cancel()
{
    m_action = nullptr;
    if (m_timer) {
        m_timer->invalidate();
        m_timer = nullptr;
    }
}

void KVNTimer::fire()
{
    // The action may cancel or reschedule this timer, or drop the last reference to it;
    // run a copy so that neither pulls the running block out from under itself.
    if (!m_action)
        return;
    Action action = m_action;
    action();
}
