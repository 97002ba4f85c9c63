#pragma once
// What a stream of a media session needs from the session that owns it: a way out to the
// link for its RTP and RTCP, the session's counters and drop counts, and whether the session
// still runs (a callback may have stopped it in the middle of a packet).
// Media thread.
#include <cstdint>
#include <memory>
#include <vector>

#include "MediaStack/RTCPPacket.h"
#include "MediaStack/RTPPacket.h"
#include "MediaStack/Rtp/DropCounter.h"
#include "MediaStack/Session/MediaSession.h"

namespace media {

class StreamHost {
public:
    virtual ~StreamHost() = default;

    // False when the link did not take it.
    virtual bool sendRtp(const RTPPacket& packet) = 0;
    virtual bool sendRtcp(const std::vector<std::shared_ptr<RTCPPacket>>& packets) = 0;

    virtual MediaSession::Statistics& counters() = 0;
    virtual mediastack::rtp::DropCounter& drops() = 0;
    virtual bool running() const = 0;
};

} // namespace media
