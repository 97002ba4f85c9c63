#pragma once
// An RTCP generic NACK (RFC 4585 section 6.2.1, transport-layer feedback FMT 1): the
// receiver of the media SSRC lists sequence numbers it did not get and asks for them again.
// On the wire the list travels as (PID, BLP) pairs: a sequence number and a bit mask of the
// sixteen after it. `lostSequenceNumbers` keeps the order given; the pairs follow it.
// Any thread; a received packet is not changed once handed on.
#include <cstdint>
#include <utility>
#include <vector>

#include "MediaStack/RTCPPacket.h"

namespace mediastack::rtp {

class RtcpNackPacket : public RTCPPacket {
public:
    uint32_t senderSsrc = 0;
    uint32_t mediaSsrc = 0;
    std::vector<uint16_t> lostSequenceNumbers;

    std::string className() const override { return "RtcpNackPacket"; }
    size_t payloadLength() const override { return 8 + 4 * feedbackItems().size(); }

    // The (PID, BLP) pairs that carry `lostSequenceNumbers`: a number joins the pair before it
    // when it lies 1 to 16 after that pair's PID.
    std::vector<std::pair<uint16_t, uint16_t>> feedbackItems() const
    {
        std::vector<std::pair<uint16_t, uint16_t>> items;
        for (uint16_t number : lostSequenceNumbers) {
            if (!items.empty()) {
                const auto distance = static_cast<uint16_t>(number - items.back().first);
                if (distance == 0) {
                    continue;
                }
                if (distance <= 16) {
                    items.back().second |= static_cast<uint16_t>(1u << (distance - 1));
                    continue;
                }
            }
            items.emplace_back(number, 0);
        }
        return items;
    }
};

}
