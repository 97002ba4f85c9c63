#pragma once
// Reads a compound RTCP datagram (RFC 3550 section 6.4, RFC 4585 section 6) into the stack's
// packet classes: sender and receiver reports, PLI and generic NACK. Other packet types and
// feedback formats (SDES, BYE, APP, FIR ...) are stepped over. The whole datagram is dropped
// and counted when any packet's header, length, padding or body does not fit it: a lying
// length never makes the reader look outside the datagram.
// A lone feedback packet without a report in front is accepted, as reduced-size RTCP
// (RFC 5506) and some peers send them so.
// Any thread: no state.
#include <memory>
#include <span>
#include <vector>

#include "MediaStack/RTCPPacket.h"
#include "MediaStack/Rtp/DropCounter.h"

namespace mediastack::rtp {

class RtcpReader {
public:
    // A NACK lists at most this many sequence numbers; more would only ask for packets long
    // gone from any retransmission buffer.
    static constexpr size_t maxNackedSequenceNumbers = 1024;

    static std::vector<std::shared_ptr<RTCPPacket>> read(std::span<const uint8_t> datagram, DropCounter& drops);
};

}
