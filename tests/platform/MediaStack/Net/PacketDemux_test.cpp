#include <gtest/gtest.h>

#include <vector>

#include "MediaStack/Net/PacketDemux.h"

using media::PacketDemux;
using media::PacketKind;

namespace {
std::vector<uint8_t> packet(std::initializer_list<uint8_t> head, size_t size)
{
    std::vector<uint8_t> bytes(head);
    bytes.resize(size, 0);
    return bytes;
}
}

TEST(PacketDemuxTest, FirstByteDecidesTheProtocol)
{
    struct Case {
        std::vector<uint8_t> datagram;
        PacketKind kind;
        const char* why;
    };
    const Case cases[] = {
        { {}, PacketKind::Unknown, "nothing to read" },
        { packet({ 0x00, 0x01 }, 20), PacketKind::Stun, "binding request" },
        { packet({ 0x03 }, 20), PacketKind::Stun, "top of the STUN range" },
        { packet({ 0x04 }, 20), PacketKind::Unknown, "gap between STUN and ZRTP" },
        { packet({ 0x10 }, 20), PacketKind::Zrtp, "ZRTP" },
        { packet({ 0x14 }, 20), PacketKind::Dtls, "change cipher spec, bottom of DTLS" },
        { packet({ 0x16, 0xfe, 0xfd }, 20), PacketKind::Dtls, "handshake record" },
        { packet({ 0x3f }, 20), PacketKind::Dtls, "top of the DTLS range" },
        { packet({ 0x40 }, 20), PacketKind::Turn, "TURN channel" },
        { packet({ 0x50 }, 20), PacketKind::Unknown, "gap between TURN and RTP" },
        { packet({ 0x80, 0x60 }, 12), PacketKind::Rtp, "RTP, payload type 96" },
        { packet({ 0x80, 0xe0 }, 12), PacketKind::Rtp, "RTP, marker set on payload type 96" },
        { packet({ 0x80, 0x60 }, 11), PacketKind::Unknown, "RTP shorter than its fixed header" },
        { packet({ 0x80, 0xc8 }, 8), PacketKind::Rtcp, "sender report" },
        { packet({ 0x81, 0xcd }, 12), PacketKind::Rtcp, "transport feedback (NACK)" },
        { packet({ 0x80, 0xdf }, 8), PacketKind::Rtcp, "top of the RTCP types" },
        { packet({ 0x80, 0xc8 }, 7), PacketKind::Unknown, "RTCP shorter than its header" },
        { packet({ 0xbf, 0x60 }, 12), PacketKind::Rtp, "top of the RTP range" },
        { packet({ 0xc0, 0x60 }, 12), PacketKind::Unknown, "above RTP" },
        { packet({ 0xff }, 40), PacketKind::Unknown, "garbage" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PacketDemux::classify(c.datagram), c.kind) << c.why;
}
