// A datagram on the media port, from anyone who can reach it. Property: the kind follows the
// first byte's ranges of RFC 7983, and RTP and RTCP only with room for their fixed header.
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "MediaStack/Net/PacketDemux.h"

using media::PacketDemux;
using media::PacketKind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto kind = PacketDemux::classify(std::span<const uint8_t>(data, size));
    const unsigned first = size ? data[0] : 256;
    switch (kind) {
    case PacketKind::Stun:
        FUZZ_CHECK(first <= 3);
        break;
    case PacketKind::Zrtp:
        FUZZ_CHECK(first >= 16 && first <= 19);
        break;
    case PacketKind::Dtls:
        FUZZ_CHECK(first >= 20 && first <= 63);
        break;
    case PacketKind::Turn:
        FUZZ_CHECK(first >= 64 && first <= 79);
        break;
    case PacketKind::Rtcp:
        FUZZ_CHECK(first >= 128 && first <= 191 && size >= 8 && data[1] >= 192 && data[1] <= 223);
        break;
    case PacketKind::Rtp:
        FUZZ_CHECK(first >= 128 && first <= 191 && size >= 12 && !(data[1] >= 192 && data[1] <= 223));
        break;
    case PacketKind::Unknown:
        FUZZ_CHECK(size == 0 || (first >= 4 && first <= 15) || (first >= 80 && first <= 127) || first >= 192
                   || (first >= 128 && size < 12));
        break;
    }
    return 0;
}
