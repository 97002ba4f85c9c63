#pragma once
// The header fields of one of our outgoing RTP streams: SSRC, payload type, a sequence that
// runs on across codec frames from a random start, and timestamps on the stream's clock from
// a random base (RFC 3550 section 5.1). The packetizer's own numbering and timestamps are
// replaced: ours follow the media thread's clock, which tests step by hand, and do not
// restart with a codec.
// Not thread-safe: the send path of one stream owns it.
#include <cstdint>
#include <memory>
#include <vector>

#include "MediaStack/RTPPacket.h"

namespace media {

class RtpStamper {
public:
    RtpStamper(uint32_t ssrc, uint8_t payloadType, int clockRate);

    // Stamps the packets of one frame, all with `timestamp`; the packetizer's markers stay.
    void stamp(const std::vector<std::shared_ptr<RTPPacket>>& packets, uint32_t timestamp);
    // The RTP time of `seconds` on the media clock.
    uint32_t timestampAt(double seconds) const;

    uint32_t ssrc() const { return m_ssrc; }
    int clockRate() const { return m_clockRate; }

private:
    uint32_t m_ssrc;
    uint8_t m_payloadType;
    int m_clockRate;
    uint16_t m_nextSequenceNumber;
    uint32_t m_timestampBase;
};

} // namespace media
