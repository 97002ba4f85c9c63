#include <gtest/gtest.h>

#include "MediaStack/Sdp/CandidateLine.h"

using namespace mediastack::sdp;

TEST(CandidateLine, ReadsTheFieldsAndWritesTheSameText)
{
    struct Case {
        const char* text;
        CandidateType type;
        const char* address;
        uint16_t port;
        const char* relatedAddress;
    };
    const Case cases[] = {
        // aiortc's host candidate, with a 32-character foundation.
        { "candidate:f957a2332b1715da3b0ef8ba684454eb 1 udp 2130706431 192.0.2.2 38156 typ host", CandidateType::Host, "192.0.2.2", 38156, nullptr },
        { "candidate:d0bcf3d9 1 udp 2130706431 fd00::2 46811 typ host", CandidateType::Host, "fd00::2", 46811, nullptr },
        { "candidate:2 1 udp 1694498815 198.51.100.7 61000 typ srflx raddr 10.0.0.2 rport 50000 generation 0", CandidateType::ServerReflexive,
            "198.51.100.7", 61000, "10.0.0.2" },
        { "candidate:3 1 udp 16777215 203.0.113.9 3478 typ relay raddr 198.51.100.7 rport 61000", CandidateType::Relay, "203.0.113.9", 3478,
            "198.51.100.7" },
        { "candidate:4 1 tcp 1518280447 192.0.2.2 9 typ host tcptype active", CandidateType::Host, "192.0.2.2", 9, nullptr },
        { "candidate:5 1 udp 2130706431 3f1c2b8e-1d2f-4c6e-9b1a-0c2d3e4f5a6b.local 50000 typ host", CandidateType::Host,
            "3f1c2b8e-1d2f-4c6e-9b1a-0c2d3e4f5a6b.local", 50000, nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto candidate = CandidateLine::read(c.text);
        ASSERT_TRUE(candidate);
        EXPECT_EQ(candidate->type, c.type);
        EXPECT_EQ(candidate->address, c.address);
        EXPECT_EQ(candidate->port, c.port);
        EXPECT_EQ(candidate->relatedAddress.value_or(""), c.relatedAddress ? c.relatedAddress : "");
        EXPECT_EQ(CandidateLine::write(*candidate), c.text);
    }
}

TEST(CandidateLine, AcceptsTheAttributeFormAndLineEnds)
{
    const auto candidate = CandidateLine::read("a=candidate:1 1 UDP 2130706431 127.0.0.1 50000 typ host\r\n");
    ASSERT_TRUE(candidate);
    EXPECT_EQ(candidate->transport, "udp") << "transport is case-insensitive and kept in lower case";
    EXPECT_EQ(candidate->priority, 2130706431u);
}

TEST(CandidateLine, RefusesWhatDoesNotFollowTheGrammar)
{
    const char* cases[] = {
        "", // nothing
        "candidate:", // no fields
        "1 1 udp 2130706431 127.0.0.1 50000 typ host", // no prefix
        "candidate:1 1 udp 2130706431 127.0.0.1 50000 host", // "typ" missing
        "candidate:1 1 udp 2130706431 127.0.0.1 50000 typ", // type missing
        "candidate:1 1 udp 2130706431 127.0.0.1 50000 typ hostish", // unknown type
        "candidate:1 0 udp 2130706431 127.0.0.1 50000 typ host", // component 0
        "candidate:1 1 sctp 2130706431 127.0.0.1 50000 typ host", // unknown transport
        "candidate:1 1 udp 4294967296 127.0.0.1 50000 typ host", // priority past 32 bits
        "candidate:1 1 udp -1 127.0.0.1 50000 typ host", // negative priority
        "candidate:1 1 udp 2130706431 127.0.0.1 65536 typ host", // port past 16 bits
        "candidate:1 1 udp 2130706431 127.0.0.1 5000x typ host", // trailing junk in a number
        "candidate:1 1 udp 2130706431 127.0.0.1 50000 typ srflx raddr", // name without value
        "candidate:1 1 udp 2130706431 127.0.0.1 50000 typ srflx raddr 10.0.0.1 rport 99999", // related port out of range
        "candidate:1 1 udp 2130706431 127.0.0.1;x 50000 typ host", // an address no host has
        "candidate:1 1 udp 2130706431 127.0.0.1 50000 typ host generation 0\ra=evil", // a line break inside
        "candidate:foundation_with_underscore 1 udp 1 127.0.0.1 1 typ host", // not ice-chars
        "candidate:123456789012345678901234567890123 1 udp 1 127.0.0.1 1 typ host", // foundation of 33 characters
    };
    for (const char* text : cases) {
        EXPECT_FALSE(CandidateLine::read(text)) << text;
    }
}
