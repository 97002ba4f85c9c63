#include "MediaStack/Net/PacketDemux.h"

namespace media {

PacketKind PacketDemux::classify(std::span<const uint8_t> datagram)
{
    if (datagram.empty())
        return PacketKind::Unknown;
    const uint8_t first = datagram[0];
    if (first <= 3)
        return PacketKind::Stun;
    if (first >= 16 && first <= 19)
        return PacketKind::Zrtp;
    if (first >= 20 && first <= 63)
        return PacketKind::Dtls;
    if (first >= 64 && first <= 79)
        return PacketKind::Turn;
    if (first >= 128 && first <= 191) {
        // Shorter than a fixed RTP header or an RTCP header: nothing above can read it.
        if (datagram.size() < 8)
            return PacketKind::Unknown;
        // RTCP packet types 192-223 sit where RTP has marker bit and payload type; RTP
        // payload types 64-95 are kept free for this.
        const uint8_t type = datagram[1];
        if (type >= 192 && type <= 223)
            return PacketKind::Rtcp;
        return datagram.size() < 12 ? PacketKind::Unknown : PacketKind::Rtp;
    }
    return PacketKind::Unknown;
}

} // namespace media
