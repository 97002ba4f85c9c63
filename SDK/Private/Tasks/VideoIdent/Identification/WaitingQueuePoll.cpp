#include "Private/Tasks/VideoIdent/Identification/WaitingQueuePoll.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNTimer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/Tasks/VideoIdent/Identification/KVNInfoViewController.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"

namespace kvn {

namespace {

long currentStatus()
{
    auto video = KVNIdentification::sharedIdentification()->videoIdentification();
    return video ? video->identificationStatus() : KVNIdentificationStatusNotDefined;
}

} // namespace

WaitingQueuePoll::WaitingQueuePoll(Host host, std::shared_ptr<KVNRequestManager> manager)
    : m_host(std::move(host))
    , m_manager(std::move(manager))
    , m_timer(std::make_shared<KVNTimer>())
{
    IdentTimerInit(&m_waitingListTimer);
    IdentTimerStart(&m_waitingListTimer);
}

WaitingQueuePoll::~WaitingQueuePoll()
{
    m_timer->cancel();
}

std::shared_ptr<KVNRequestManager> WaitingQueuePoll::manager() const
{
    return m_manager ? m_manager : KVNRequestManager::sharedManager();
}

void WaitingQueuePoll::reset()
{
    KVN_ASSERT_MAIN_THREAD();
    stop();
    IdentTimerStart(&m_waitingListTimer);
    updateWaitingQueue();
}

void WaitingQueuePoll::stop()
{
    KVN_ASSERT_MAIN_THREAD();
    // An answer still out carries the old generation and is dropped when it lands.
    ++m_generation;
    m_timer->cancel();
}

void WaitingQueuePoll::updateWaitingQueue()
{
    KVN_ASSERT_MAIN_THREAD();
    pollForGeneration(m_generation);
}

void WaitingQueuePoll::pollForGeneration(uint64_t generation)
{
    if (generation != m_generation || currentStatus() != KVNIdentificationStatusConnecting)
        return;

    auto identification = KVNIdentification::sharedIdentification();
    auto video = identification->videoIdentification();
    IdentTimerStop(&m_waitingListTimer);
    const int32_t seconds = m_waitingListTimer.m_seconds;
    const long position = video ? video->positionInQueue() : -1;
    const int32_t p = position >= 0 ? static_cast<int32_t>(position) : 0;
    KVNLog("seconds since start: %i\n", seconds);
    KVNLog("currentPosition in queue: %i\n", p);

    const bool unnotified = !identification->waitingListNotified() && !identification->enrolledInWaitingList();
    const bool forced = identification->forceWaitingList() && unnotified;
    const bool offered = identification->showWaitingList() && unnotified &&
                         (seconds > identification->waitingListTimeOut() || p > identification->waitingQueueTreshold());
    if ((forced || offered) && !(m_host.waitingListShown && m_host.waitingListShown()) && m_host.infoPanel && m_host.infoPanel() &&
        m_host.showWaitingList)
        m_host.showWaitingList();

    std::weak_ptr<WaitingQueuePoll> weak = weak_from_this();
    manager()->requestWaitingQueue(
        kvn::bindToMainQueue(weak, [generation](WaitingQueuePoll& self, bool success, const std::shared_ptr<NSError>&) {
            if (generation != self.m_generation || currentStatus() != KVNIdentificationStatusConnecting)
                return;
            if (success && self.m_host.infoPanel) {
                if (auto panel = self.m_host.infoPanel())
                    panel->updateForIdentificationStatus(currentStatus());
            }
            self.m_timer->executeAfterSeconds_repeats_action(
                kInterval, false,
                kvn::bindToMainQueue(self.weak_from_this(), [generation](WaitingQueuePoll& poll) { poll.pollForGeneration(generation); }));
        }));
}

} // namespace kvn
