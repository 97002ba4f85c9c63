#include "Private/Helper/KVNMessageProvider.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNTimer.h"

// A user message on its way, with the callback still owed for it.
struct KVNMessageProvider::Outgoing {
    std::shared_ptr<KVNMessage> message;
    MessageCallback callback;
    bool finished = false;
};

KVNMessageProvider::~KVNMessageProvider()
{
    for (const auto& timer : m_timers)
        timer->cancel();
    // Only a message waiting for its resend can be left here (a send under way keeps the store
    // alive): it is given up, so that its callback still runs once.
    for (const auto& outgoing : std::exchange(m_outgoing, {}))
        finish(outgoing);
}

void KVNMessageProvider::setDelegate(std::weak_ptr<KVNMessageProviderDelegate> delegate)
{
    m_delegate = std::move(delegate);
    if (!m_delegate.expired())
        m_newMessagesCount.set(0);
}

std::shared_ptr<KVOObservation> KVNMessageProvider::observeNewMessagesCount(std::function<void(long oldValue, long newValue)> observer,
                                                                            bool initial)
{
    return m_newMessagesCount.observe(std::move(observer), initial);
}

void KVNMessageProvider::sortMessages()
{
    // The agent's dates come in whole seconds, ours to the microsecond: compared as they are,
    // an agent message written after the user's reply in the same second sorted above it. Dates
    // are therefore compared by the second, and the sort is stable, so messages of the same
    // second keep the order they came in.
    std::stable_sort(m_messages.begin(), m_messages.end(), [](const auto& a, const auto& b) {
        const auto& left = a->date();
        const auto& right = b->date();
        if (!right)
            return false;
        if (!left)
            return true;
        return std::chrono::floor<std::chrono::seconds>(*left) < std::chrono::floor<std::chrono::seconds>(*right);
    });
}

void KVNMessageProvider::didReceiveRemoteMessage(const std::shared_ptr<KVNMessage>& message)
{
    if (!message)
        return;
    m_messages.push_back(message);
    sortMessages();
    auto delegate = m_delegate.lock();
    if (delegate)
        delegate->messageProvider_didReceiveRemoteMessage(shared_from_this(), message);
    else
        m_newMessagesCount.set(m_newMessagesCount.get() + 1);
}

std::shared_ptr<KVNMessage> KVNMessageProvider::sendText_callback(const std::string& text, MessageCallback callback)
{
    auto message = std::make_shared<KVNMessage>();
    message->setText(text);
    message->setDate(std::chrono::system_clock::now());
    m_messages.push_back(message);
    sortMessages();

    auto outgoing = std::make_shared<Outgoing>();
    outgoing->message = message;
    outgoing->callback = std::move(callback);
    m_outgoing.push_back(outgoing);
    send(outgoing);
    return message;
}

void KVNMessageProvider::send(const std::shared_ptr<Outgoing>& outgoing)
{
    // The completion keeps the store alive until it runs.
    KVNRequestManager::sharedManager()->POSTMessage_callback(
        outgoing->message, [self = shared_from_this(), outgoing](const std::shared_ptr<NSError>& error) { self->sendDidFinish(outgoing, error); });
}

void KVNMessageProvider::sendDidFinish(const std::shared_ptr<Outgoing>& outgoing, const std::shared_ptr<NSError>& error)
{
    if (outgoing->finished)
        return; // given up by invalidate already
    if (error && !m_invalidated) {
        auto timer = std::make_shared<KVNTimer>();
        m_timers.push_back(timer);
        const std::weak_ptr<KVNMessageProvider> weakSelf = weak_from_this();
        const std::weak_ptr<KVNTimer> weakTimer = timer;
        timer->executeAfterSeconds_repeats_action(resendInterval, false, [weakSelf, weakTimer, outgoing] {
            auto self = weakSelf.lock();
            auto timer = weakTimer.lock();
            if (!self || !timer)
                return;
            timer->cancel();
            std::erase(self->m_timers, timer);
            self->send(outgoing);
        });
        return;
    }
    std::erase(m_outgoing, outgoing);
    finish(outgoing);
}

void KVNMessageProvider::finish(const std::shared_ptr<Outgoing>& outgoing)
{
    if (outgoing->finished)
        return;
    outgoing->finished = true;
    outgoing->message->setSent(true);
    if (auto callback = std::exchange(outgoing->callback, nullptr))
        callback(outgoing->message);
}

void KVNMessageProvider::invalidate()
{
    m_invalidated = true;
    for (const auto& timer : std::exchange(m_timers, {}))
        timer->cancel();
    // Taken out first: a callback may send again (and finds the store invalidated).
    for (const auto& outgoing : std::exchange(m_outgoing, {}))
        finish(outgoing);
}
