#pragma once
// An RTCP receiver report (RR): report blocks only.
#include "MediaStack/RTCPReportPacket.h"

class RTCPReceiverReportPacket : public RTCPReportPacket {
public:
    std::string className() const override { return "RTCPReceiverReportPacket"; }
    size_t payloadLength() const override { return 4 + RTCPReportBlock::wireLength * reportBlocks.size(); }
};
