#pragma once
// Which of the far side's sources a stream of ours receives. With a source named in the
// negotiation only that one, with the stream's payload type; without one, the first source
// seen with the payload type, and a new source in its place only after the old one has gone
// quiet (a far side that restarted its stream), never two at a time.
// Not thread-safe: the receive path of one stream owns it.
#include <cstdint>
#include <optional>

#include "MediaStack/RTPPacket.h"
#include "MediaStack/Rtp/MediaTime.h"

namespace media {

class RemoteSourceLatch {
public:
    enum class Match {
        No,
        // The source the stream receives.
        Same,
        // A source that takes the place of a quiet one: receive state starts over.
        Replaced,
    };

    // A latched source quiet for this long may be replaced.
    static constexpr auto quietTime = std::chrono::seconds(2);

    RemoteSourceLatch(std::optional<uint32_t> negotiatedSsrc, uint8_t payloadType);

    Match match(const RTPPacket& packet, mediastack::rtp::MediaTime now);
    std::optional<uint32_t> ssrc() const { return m_ssrc; }

private:
    bool m_negotiated;
    uint8_t m_payloadType;
    std::optional<uint32_t> m_ssrc;
    mediastack::rtp::MediaTime m_lastHeard{};
};

} // namespace media
