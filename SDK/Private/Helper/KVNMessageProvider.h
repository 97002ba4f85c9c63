#pragma once
// The chat of one video identification: the messages of both sides in date order, the user's
// messages sent to the service (a failed one is sent again 1.0 s later, as often as it takes,
// until it goes through or the identification ends), the count of agent messages that came
// while no chat screen was open (observable), and the open chat screen told of each new agent
// message. The session driver owns it and feeds it; the chat screen reads and sends through it.
//
// Main thread only: the service's answers and the resend timers run there.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Foundation/KVO.h"
#include "Foundation/NSError.h"

class KVNMessage;
class KVNMessageProvider;
class KVNTimer;

class KVNMessageProviderDelegate {
public:
    virtual ~KVNMessageProviderDelegate() = default;
    // An agent message was stored (the list is already in date order).
    virtual void messageProvider_didReceiveRemoteMessage(const std::shared_ptr<KVNMessageProvider>& messageProvider,
                                                         const std::shared_ptr<KVNMessage>& message) = 0;
};

class KVNMessageProvider : public std::enable_shared_from_this<KVNMessageProvider> {
public:
    using MessageCallback = std::function<void(const std::shared_ptr<KVNMessage>& message)>;

    // Seconds from a failed send to the next attempt.
    static constexpr double resendInterval = 1.0;

    KVNMessageProvider() = default;
    ~KVNMessageProvider();
    KVNMessageProvider(const KVNMessageProvider&) = delete;
    KVNMessageProvider& operator=(const KVNMessageProvider&) = delete;

    // An empty store.
    void init() {}

    // Both sides, ascending by date; a message without a date comes first.
    const std::vector<std::shared_ptr<KVNMessage>>& messages() const { return m_messages; }

    std::shared_ptr<KVNMessageProviderDelegate> delegate() const { return m_delegate.lock(); }
    // Setting a delegate (the chat screen opened) resets newMessagesCount to 0; clearing it
    // leaves the count.
    void setDelegate(std::weak_ptr<KVNMessageProviderDelegate> delegate);

    // Agent messages stored while no delegate was set.
    long newMessagesCount() const { return m_newMessagesCount.get(); }
    // Observes every change of newMessagesCount (old and new value, on the main thread) for
    // as long as the returned token is kept. `initial`: also called once now.
    std::shared_ptr<KVOObservation> observeNewMessagesCount(std::function<void(long oldValue, long newValue)> observer, bool initial = false);

    // Stores an agent message, tells the delegate, or counts it when there is none.
    void didReceiveRemoteMessage(const std::shared_ptr<KVNMessage>& message);

    // Stores a user message with the text and the current time and sends it; returns it at
    // once. The callback (may be empty) runs once per message, on the main queue, with `sent`
    // set: when the service took the message, when a send fails after invalidate, or when
    // invalidate gives the message up.
    std::shared_ptr<KVNMessage> sendText_callback(const std::string& text, MessageCallback callback);

    // Ends resending when the identification ends. Every message still on its way is given
    // up at once: marked sent, its callback run now; a send still under way is not repeated
    // and its answer, when it comes, changes nothing. The messages stay.
    void invalidate();
    bool invalidated() const { return m_invalidated; }

    // The resend timers waiting to fire.
    size_t pendingResendCount() const { return m_timers.size(); }

private:
    struct Outgoing;

    void sortMessages();
    void send(const std::shared_ptr<Outgoing>& outgoing);
    void sendDidFinish(const std::shared_ptr<Outgoing>& outgoing, const std::shared_ptr<NSError>& error);
    // Marks the message sent and runs its callback, once.
    static void finish(const std::shared_ptr<Outgoing>& outgoing);

    std::vector<std::shared_ptr<KVNMessage>> m_messages;
    std::weak_ptr<KVNMessageProviderDelegate> m_delegate;
    KVOProperty<long> m_newMessagesCount{0};
    std::vector<std::shared_ptr<KVNTimer>> m_timers;
    // Messages sent or waiting to be sent again, until their callback ran.
    std::vector<std::shared_ptr<Outgoing>> m_outgoing;
    bool m_invalidated = false;
};
