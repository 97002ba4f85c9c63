// Placeholder until the media pipeline lands: a session that carries no media and only
// passes the transport's state on, so that links come up and go down as their transports do.
#include "MediaStack/Session/MediaSession.h"

#include "MediaStack/Net/DatagramTransport.h"

namespace media {

namespace {

class TransportStateSession final : public MediaSession, public std::enable_shared_from_this<TransportStateSession> {
public:
    explicit TransportStateSession(std::shared_ptr<DatagramTransport> transport) : m_transport(std::move(transport)) {}

    void attach()
    {
        std::weak_ptr<TransportStateSession> weak = weak_from_this();
        m_transport->onReceive([](std::span<const uint8_t>) {});
        m_transport->onStateChange([weak](TransportState state) {
            if (auto self = weak.lock(); self && !self->m_stopped && self->m_state)
                self->m_state(state);
        });
    }

    void setVideoSource(std::shared_ptr<VideoSource>) override {}
    void setAudioSource(std::shared_ptr<AudioSource>) override {}
    void onRemoteVideoFrame(std::function<void(const std::shared_ptr<VideoFrame>&)>) override {}
    void onRemoteAudioFrame(std::function<void(const std::shared_ptr<AudioFrame>&)>) override {}
    void onDeadStream(std::function<void()>) override {}
    void onTransportState(std::function<void(TransportState)> callback) override { m_state = std::move(callback); }
    void stop() override
    {
        m_stopped = true;
        m_state = nullptr;
    }
    Statistics statistics() const override { return {}; }

private:
    std::shared_ptr<DatagramTransport> m_transport;
    std::function<void(TransportState)> m_state;
    bool m_stopped = false;
};

} // namespace

std::shared_ptr<MediaSession> MediaSession::create(std::shared_ptr<MediaThread>, std::shared_ptr<DatagramTransport> transport,
                                                   const mediastack::sdp::NegotiatedSession&, const MediaSessionOptions&)
{
    auto session = std::make_shared<TransportStateSession>(std::move(transport));
    session->attach();
    return session;
}

} // namespace media
