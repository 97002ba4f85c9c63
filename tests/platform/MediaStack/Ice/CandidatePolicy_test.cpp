#include <gtest/gtest.h>

#include "MediaStack/Ice/CandidatePolicy.h"
#include "MediaStack/Ice/IceCandidate.h"

using namespace media;

TEST(IceCandidateTest, ReadsTheLinesPeersSendAndRefusesBrokenOnes)
{
    struct Case {
        const char* line;
        bool readable;
        const char* why;
    };
    const Case cases[] = {
        { "candidate:1 1 UDP 2013266431 192.168.1.4 50000 typ host", true, "host" },
        { "a=candidate:2 1 udp 1677724415 203.0.113.7 61000 typ srflx raddr 192.168.1.4 rport 50000", true, "with a= and raddr" },
        { "candidate:3 1 udp 16777215 198.51.100.2 3478 typ relay raddr 203.0.113.7 rport 61000 generation 0\r\n", true, "line end kept off" },
        { "candidate:1 1 UDP 2013266431 192.168.1.4 50000 typ", false, "no type" },
        { "candidate:1 1 UDP 2013266431 192.168.1.4 50000 type host", false, "'type' for 'typ'" },
        { "candidate:1 0 UDP 1 10.0.0.1 1 typ host", false, "component 0" },
        { "candidate:1 1 UDP 4294967296 10.0.0.1 1 typ host", false, "priority beyond 32 bits" },
        { "candidate:1 1 UDP 1 10.0.0.1 65536 typ host", false, "port beyond 16 bits" },
        { "candidate:1 1 UDP -5 10.0.0.1 1 typ host", false, "negative priority" },
        { "candidate:1 1 UDP 1 10.0.0.1 1 typ wormhole", false, "unknown type" },
        { "m=audio 9 UDP/TLS/RTP/SAVPF 111", false, "not a candidate" },
        { "", false, "empty" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(IceCandidate::parse(c.line).has_value(), c.readable) << c.why;
}

TEST(CandidatePolicyTest, AnnouncedPrioritiesCarryOurTypePreferencesAndKeepTheRest)
{
    CandidatePolicy policy;
    policy.typePreferences = { 126, 99, 120, 0 };
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        // libnice's host preference 120 becomes ours, local preference 65535 and component 1 stay.
        { "a=candidate:1 1 UDP 2030043135 127.0.0.1 40000 typ host",
          "candidate:1 1 UDP 2130706431 127.0.0.1 40000 typ host" },
        { "candidate:2 1 UDP 1694498815 203.0.113.7 61000 typ srflx raddr 0.0.0.0 rport 0",
          "candidate:2 1 UDP 2030043135 203.0.113.7 61000 typ srflx raddr 0.0.0.0 rport 0" },
        { "candidate:3 1 UDP 1862270975 203.0.113.9 61001 typ prflx",
          "candidate:3 1 UDP 1677721599 203.0.113.9 61001 typ prflx" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(policy.localLine(c.in).value_or("<suppressed>"), c.out) << c.in;
}

TEST(CandidatePolicyTest, SuppressedKindsAreNeitherAnnouncedNorAccepted)
{
    struct Case {
        const char* line;
        bool privateOnly; // suppressed when private candidates are
        bool relayOnly;
    };
    const Case cases[] = {
        { "candidate:1 1 udp 1 10.1.2.3 1 typ host", true, false },
        { "candidate:1 1 udp 1 172.16.0.1 1 typ host", true, false },
        { "candidate:1 1 udp 1 172.32.0.1 1 typ host", false, false },
        { "candidate:1 1 udp 1 192.168.0.1 1 typ host", true, false },
        { "candidate:1 1 udp 1 169.254.9.9 1 typ host", true, false },
        { "candidate:1 1 udp 1 fd00::1 1 typ host", true, false },
        { "candidate:1 1 udp 1 fe80::1 1 typ host", true, false },
        { "candidate:1 1 udp 1 2001:db8::1 1 typ host", false, false },
        { "candidate:1 1 udp 1 127.0.0.1 1 typ host", false, false },
        { "candidate:1 1 udp 1 203.0.113.7 1 typ srflx raddr 10.0.0.2 rport 9", false, false },
        { "candidate:1 1 udp 1 203.0.113.7 1 typ relay", false, true },
    };
    CandidatePolicy open;
    CandidatePolicy strict;
    strict.suppressPrivate = true;
    strict.suppressRelay = true;
    for (const auto& c : cases) {
        const bool suppressed = c.privateOnly || c.relayOnly;
        EXPECT_TRUE(open.acceptsRemote(c.line)) << c.line;
        EXPECT_TRUE(open.localLine(c.line).has_value()) << c.line;
        EXPECT_EQ(strict.acceptsRemote(c.line), !suppressed) << c.line;
        EXPECT_EQ(strict.localLine(c.line).has_value(), !suppressed) << c.line;
    }
    EXPECT_FALSE(open.acceptsRemote("candidate:garbage")) << "unreadable lines are never used";
}

TEST(CandidatePolicyTest, ProcessWidePreferencesReachNewPolicies)
{
    const auto saved = CandidateTypePreferences::processWide();
    EXPECT_EQ(saved.host, 126);
    EXPECT_EQ(saved.peerReflexive, 110);
    EXPECT_EQ(saved.serverReflexive, 100);
    CandidateTypePreferences::setProcessWide({ 126, 99, 120, 0 });
    EXPECT_EQ(CandidatePolicy {}.typePreferences.serverReflexive, 120);
    CandidateTypePreferences::setProcessWide(saved);
}
