#pragma once
// The part of a received receiver or sender report that concerns one of our streams: a copy
// of the same kind holding only the blocks about that stream's source, so each codec adapts
// to what the far side says of its own stream alone. None when no block is about it.
// Any thread: no state.
#include <cstdint>
#include <memory>

#include "MediaStack/RTCPReceiverReportPacket.h"
#include "MediaStack/RTCPSenderReportPacket.h"

namespace media {

inline std::shared_ptr<RTCPReportPacket> reportBlocksAbout(const RTCPReportPacket& report, uint32_t ssrc)
{
    std::shared_ptr<RTCPReportPacket> copy;
    if (const auto* sender = dynamic_cast<const RTCPSenderReportPacket*>(&report))
        copy = std::make_shared<RTCPSenderReportPacket>(*sender);
    else
        copy = std::make_shared<RTCPReceiverReportPacket>();
    copy->ssrc = report.ssrc;
    copy->reportBlocks.clear();
    for (const auto& block : report.reportBlocks)
        if (block.ssrc == ssrc)
            copy->reportBlocks.push_back(block);
    if (copy->reportBlocks.empty())
        return nullptr;
    return copy;
}

} // namespace media
