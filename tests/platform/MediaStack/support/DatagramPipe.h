#pragma once
// Two datagram transports joined back to back on one media thread, in place of ICE: what one
// end sends arrives at the other in a later turn of the loop (never inside the send, as a
// socket would). A filter can lose datagrams; connect() makes both ends connected.
#include <functional>
#include <memory>
#include <vector>

#include "MediaStack/Net/DatagramTransport.h"
#include "MediaStack/Net/MediaThread.h"

namespace media::test {

class PipeEnd final : public DatagramTransport {
public:
    explicit PipeEnd(std::shared_ptr<MediaThread> thread) : m_thread(std::move(thread)) {}

    bool send(std::span<const uint8_t> datagram) override
    {
        ++sent;
        if (lose && lose(datagram))
            return true;
        std::weak_ptr<PipeEnd> peer = m_peer;
        m_thread->post([peer, bytes = std::vector<uint8_t>(datagram.begin(), datagram.end())] {
            if (auto end = peer.lock())
                end->receive(bytes);
        });
        return true;
    }

    void receive(std::span<const uint8_t> datagram) { deliver(datagram); }
    void setState(TransportState state) { changeState(state); }

    std::function<bool(std::span<const uint8_t>)> lose;
    int sent = 0;

private:
    friend struct DatagramPipe;
    std::shared_ptr<MediaThread> m_thread;
    std::weak_ptr<PipeEnd> m_peer;
};

struct DatagramPipe {
    explicit DatagramPipe(const std::shared_ptr<MediaThread>& thread)
        : a(std::make_shared<PipeEnd>(thread)), b(std::make_shared<PipeEnd>(thread))
    {
        a->m_peer = b;
        b->m_peer = a;
    }
    void connect()
    {
        a->setState(TransportState::Connected);
        b->setState(TransportState::Connected);
    }

    std::shared_ptr<PipeEnd> a;
    std::shared_ptr<PipeEnd> b;
};

} // namespace media::test
