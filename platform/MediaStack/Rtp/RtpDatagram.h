#pragma once
// An RTP packet as read off the wire: the stack's packet and what the wire carries besides
// it (contributing sources and header extensions). A plain record.
#include <cstdint>
#include <vector>

#include "MediaStack/RTPPacket.h"
#include "MediaStack/Rtp/RtpHeaderExtension.h"

namespace mediastack::rtp {

struct RtpDatagram {
    RTPPacket packet;
    std::vector<uint32_t> csrcs;
    std::vector<RtpHeaderExtension> extensions;
};

}
