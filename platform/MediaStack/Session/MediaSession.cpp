#include "MediaStack/Session/MediaSession.h"

#include "MediaStack/Session/LinkMediaSession.h"

namespace media {

std::shared_ptr<MediaSession> MediaSession::create(std::shared_ptr<MediaThread> thread, std::shared_ptr<DatagramTransport> transport,
                                                   const mediastack::sdp::NegotiatedSession& negotiated, const MediaSessionOptions& options)
{
    auto session = std::make_shared<LinkMediaSession>(std::move(thread), std::move(transport), negotiated, options);
    session->start();
    return session;
}

} // namespace media
