#pragma once
// Writes RTCP packets of the stack's classes (sender and receiver reports, SDES, PLI,
// generic NACK) into one compound datagram, in the order given. A report with more than 31
// blocks continues in further receiver reports; a kind the writer does not know is left out.
// Any thread: no state.
#include <memory>
#include <vector>

#include "MediaStack/RTCPPacket.h"

namespace mediastack::rtp {

class RtcpWriter {
public:
    static std::vector<uint8_t> write(const std::vector<std::shared_ptr<RTCPPacket>>& packets);
};

}
