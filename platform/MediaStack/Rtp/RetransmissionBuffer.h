#pragma once
// The sending side of retransmission: keeps the last packets of one of our streams so that
// a NACK from the far side can be answered with them (sent again as they were, same SSRC and
// sequence number). Holds at most `capacity` packets and none older than `maxAge`; a
// packet is sent again at most once per round trip, however often it is asked for, so a
// NACK storm cannot multiply our traffic.
// Not thread-safe: the send path of one stream owns it; time is passed in.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "MediaStack/RTPPacket.h"
#include "MediaStack/Rtp/MediaTime.h"

namespace mediastack::rtp {

class RetransmissionBuffer {
public:
    struct Config {
        size_t capacity = 600;
        MediaDuration maxAge = std::chrono::seconds(1);
        MediaDuration defaultRoundTrip = std::chrono::milliseconds(100);
    };

    RetransmissionBuffer();
    explicit RetransmissionBuffer(Config config);

    void packetSent(const std::shared_ptr<const RTPPacket>& packet, MediaTime now);
    // The stored packets for the numbers asked for, in the order asked, skipping numbers we
    // no longer hold and packets sent again less than a round trip ago.
    std::vector<std::shared_ptr<const RTPPacket>> packetsToResend(const std::vector<uint16_t>& sequenceNumbers, MediaTime now,
        std::optional<MediaDuration> roundTripTime);

    size_t size() const;

private:
    struct Slot {
        std::shared_ptr<const RTPPacket> packet;
        MediaTime sent;
        std::optional<MediaTime> resent;
    };

    Config m_config;
    std::vector<Slot> m_slots;
};

}
