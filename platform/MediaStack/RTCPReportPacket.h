#pragma once
// What receiver and sender reports have in common: the reporter's SSRC and its report blocks.
#include <cstdint>
#include <vector>

#include "MediaStack/RTCPPacket.h"
#include "MediaStack/RTCPReportBlock.h"

class RTCPReportPacket : public RTCPPacket {
public:
    uint32_t ssrc = 0;
    std::vector<RTCPReportBlock> reportBlocks;
};
