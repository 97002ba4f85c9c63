#pragma once
// The video screen's waiting-queue poll (updateWaitingQueue): while the status is Connecting it
// asks the service for the queue every 2.0 s after each answer, successful or not, refreshes
// the info panel and offers the waiting list when it is forced or when the user has waited too
// long or too far back in the queue.
//
// The screen owns one poll, calls reset() from its own reset and stop() when it goes away:
//     m_poll = std::make_shared<kvn::WaitingQueuePoll>(kvn::WaitingQueuePoll::Host{
//         .infoPanel = [weak] { ... the current info panel or nullptr ... },
//         .waitingListShown = [weak] { ... },
//         .showWaitingList = [weak] { ... setIdentificationLayout(WaitingList) ... }});
//     m_poll->reset();
// Every reset starts a new chain and ends the previous one, even if its request is still out,
// so quick retries never leave two chains polling side by side.
// Main thread only; the timer runs on the main run loop's clock.
#include <cstdint>
#include <functional>
#include <memory>

#include "Private/Helper/IdentTimer.h"

class KVNInfoViewController;
class KVNRequestManager;
class KVNTimer;

namespace kvn {

class WaitingQueuePoll : public std::enable_shared_from_this<WaitingQueuePoll> {
public:
    static constexpr double kInterval = 2.0;

    struct Host {
        std::function<std::shared_ptr<KVNInfoViewController>()> infoPanel;
        std::function<bool()> waitingListShown;
        std::function<void()> showWaitingList;
    };

    // Without a manager the process's shared one is used.
    explicit WaitingQueuePoll(Host host, std::shared_ptr<KVNRequestManager> manager = nullptr);
    ~WaitingQueuePoll();

    // Restarts the stopwatch and starts a new chain with a poll now.
    void reset();
    // Ends the chain: no answer still out nor any timer polls again.
    void stop();
    // One poll of the current chain.
    void updateWaitingQueue();

private:
    void pollForGeneration(uint64_t generation);
    std::shared_ptr<KVNRequestManager> manager() const;

    Host m_host;
    std::shared_ptr<KVNRequestManager> m_manager;
    std::shared_ptr<KVNTimer> m_timer;
    IdentTimer m_waitingListTimer;
    uint64_t m_generation = 0;
};

} // namespace kvn
