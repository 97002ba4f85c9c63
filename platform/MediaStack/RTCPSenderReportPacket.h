#pragma once
// An RTCP sender report (SR): the sender's clock and counts, then report blocks.
#include <cstdint>

#include "MediaStack/RTCPReportPacket.h"

class RTCPSenderReportPacket : public RTCPReportPacket {
public:
    uint64_t ntpTimestamp = 0;
    uint32_t rtpTimestamp = 0;
    uint32_t senderPacketCount = 0;
    uint32_t senderOctetCount = 0;

    std::string className() const override { return "RTCPSenderReportPacket"; }
    size_t payloadLength() const override { return 24 + RTCPReportBlock::wireLength * reportBlocks.size(); }
};
