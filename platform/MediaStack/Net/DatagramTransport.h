#pragma once
// A layer of the transport stack that carries whole datagrams: the layer above owns it, sends
// through it and receives through one callback, and follows its state through another.
// Media thread: send(), the callbacks and the setters all belong to it.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <utility>

#include "MediaStack/Net/TransportState.h"

namespace media {

class DatagramTransport {
public:
    using ReceiveCallback = std::function<void(std::span<const uint8_t>)>;
    using StateCallback = std::function<void(TransportState)>;

    virtual ~DatagramTransport() = default;

    // False when the datagram could not be handed on (not connected yet, or refused below).
    virtual bool send(std::span<const uint8_t> datagram) = 0;
    TransportState state() const { return m_state; }

    void onReceive(ReceiveCallback callback) { m_receive = std::move(callback); }
    void onStateChange(StateCallback callback) { m_stateChange = std::move(callback); }

    // Hands this layer's datagrams and states to the layer above for as long as it lives,
    // starting with the state this layer is in now.
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
    }
    void detach()
    {
        m_receive = nullptr;
        m_stateChange = nullptr;
    }

protected:
    void deliver(std::span<const uint8_t> datagram)
    {
        if (m_receive)
            m_receive(datagram);
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
    TransportState m_state = TransportState::New;
    ReceiveCallback m_receive;
    StateCallback m_stateChange;
};

} // namespace media
