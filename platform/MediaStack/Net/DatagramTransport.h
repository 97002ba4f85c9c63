#pragma once
// A layer of the transport stack that carries whole datagrams: the layer above owns it, sends
// through it and receives through one callback, and follows its state through another.
//
// DTLS records that arrive while nothing receives are kept (a few, in order) and handed to
// the next layer that attaches: a peer that starts DTLS as soon as its ICE pair works sends
// its first flight before our side has applied the answer and set up DTLS, and losing it
// costs the peer's retransmission time-out. Anything else that arrives then is dropped.
// Media thread: send(), the callbacks and the setters all belong to it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "MediaStack/Net/PacketDemux.h"
#include "MediaStack/Net/TransportState.h"

namespace media {

class DatagramTransport {
public:
    using ReceiveCallback = std::function<void(std::span<const uint8_t>)>;
    using StateCallback = std::function<void(TransportState)>;

    // Bounds on the DTLS kept for a layer that has not attached yet: a whole first flight
    // fits, a flood does not.
    static constexpr size_t maxEarlyDatagrams = 8;
    static constexpr size_t maxEarlyBytes = 16 * 1024;

    virtual ~DatagramTransport() = default;

    // False when the datagram could not be handed on (not connected yet, or refused below).
    virtual bool send(std::span<const uint8_t> datagram) = 0;
    TransportState state() const { return m_state; }

    void onReceive(ReceiveCallback callback) { m_receive = std::move(callback); }
    void onStateChange(StateCallback callback) { m_stateChange = std::move(callback); }

    // Hands this layer's datagrams and states to the layer above for as long as it lives,
    // starting with the state this layer is in now, then the DTLS kept until now.
    template<typename Upper>
    void attach(const std::shared_ptr<Upper>& upper, void (Upper::*receive)(std::span<const uint8_t>),
                void (Upper::*stateChange)(TransportState))
    {
        std::weak_ptr<Upper> weak = upper;
        onReceive([weak, receive](std::span<const uint8_t> datagram) {
            if (auto self = weak.lock())
                ((*self).*receive)(datagram);
        });
        onStateChange([weak, stateChange](TransportState state) {
            if (auto self = weak.lock())
                ((*self).*stateChange)(state);
        });
        ((*upper).*stateChange)(m_state);
        deliverEarlyDatagrams();
    }
    void detach()
    {
        m_receive = nullptr;
        m_stateChange = nullptr;
    }

    size_t earlyDatagramCount() const { return m_early.size(); }
    uint64_t droppedEarlyDatagrams() const { return m_droppedEarly; }

protected:
    void deliver(std::span<const uint8_t> datagram)
    {
        if (m_receive) {
            m_receive(datagram);
            return;
        }
        keepEarly(datagram);
    }
    // Reports only real changes; a layer that is closed or failed stays so.
    void changeState(TransportState state)
    {
        if (state == m_state || m_state == TransportState::Closed || m_state == TransportState::Failed)
            return;
        m_state = state;
        if (m_stateChange)
            m_stateChange(state);
    }

private:
    void keepEarly(std::span<const uint8_t> datagram)
    {
        if (PacketDemux::classify(datagram) != PacketKind::Dtls || m_early.size() >= maxEarlyDatagrams
            || m_earlyBytes + datagram.size() > maxEarlyBytes) {
            ++m_droppedEarly;
            return;
        }
        m_earlyBytes += datagram.size();
        m_early.emplace_back(datagram.begin(), datagram.end());
    }
    void deliverEarlyDatagrams()
    {
        auto early = std::move(m_early);
        m_early.clear();
        m_earlyBytes = 0;
        // A receiver that detaches on the way leaves the rest to whoever attaches next.
        while (!early.empty() && m_receive) {
            auto datagram = std::move(early.front());
            early.pop_front();
            m_receive(datagram);
        }
        for (auto& datagram : early)
            keepEarly(datagram);
    }

    TransportState m_state = TransportState::New;
    ReceiveCallback m_receive;
    StateCallback m_stateChange;
    std::deque<std::vector<uint8_t>> m_early;
    size_t m_earlyBytes = 0;
    uint64_t m_droppedEarly = 0;
};

} // namespace media
