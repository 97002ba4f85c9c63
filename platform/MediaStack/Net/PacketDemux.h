#pragma once
// Tells what a datagram on the media port is from its first byte (RFC 7983), and RTCP from
// RTP by the packet type that follows (RFC 5761). Pure; any thread.
#include <cstdint>
#include <span>

namespace media {

enum class PacketKind {
    Stun,
    Zrtp,
    Dtls,
    Turn,
    Rtp,
    Rtcp,
    Unknown,
};

class PacketDemux {
public:
    static PacketKind classify(std::span<const uint8_t> datagram);
};

} // namespace media
