#include <gtest/gtest.h>

#include <atomic>

#include "MediaStack/Dtls/DtlsTransport.h"
#include "MediaStack/Net/PacketDemux.h"
#include "MediaStack/Srtp/SrtpTransport.h"
#include "../support/DatagramPipe.h"
#include "../support/PacketRecorder.h"
#include "support/ManualClockFixture.h"

using namespace media;

namespace {

struct Side {
    std::shared_ptr<SrtpTransport> srtp;
    std::atomic<TransportState> state { TransportState::New };
    test::PacketRecorder received;
};

class SrtpTransportTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        thread = MediaThread::create();
        thread->invoke([&] {
            pipe = std::make_unique<test::DatagramPipe>(thread);
            auto certA = Certificate::generate();
            auto certB = Certificate::generate();
            auto dtlsA = DtlsTransport::create(thread, pipe->a, { DtlsRole::Client, certA });
            auto dtlsB = DtlsTransport::create(thread, pipe->b, { DtlsRole::Server, certB });
            dtlsA->setRemoteFingerprint("sha-256", certB->fingerprint());
            dtlsB->setRemoteFingerprint("sha-256", certA->fingerprint());
            wire(a, SrtpTransport::create(dtlsA));
            wire(b, SrtpTransport::create(dtlsB));
            pipe->connect();
        });
        ASSERT_TRUE(loop->spin_until([&] { return a.state == TransportState::Connected && b.state == TransportState::Connected; }, 20));
    }

    void TearDown() override
    {
        thread->invoke([&] {
            a.srtp.reset();
            b.srtp.reset();
            pipe.reset();
        });
        thread.reset();
        ManualClockFixture::TearDown();
    }

    void wire(Side& side, std::shared_ptr<SrtpTransport> srtp)
    {
        side.srtp = std::move(srtp);
        side.srtp->onStateChange([&side](TransportState state) { side.state = state; });
        side.srtp->onReceive([&side](std::span<const uint8_t> packet) { side.received.record(packet); });
    }

    std::shared_ptr<MediaThread> thread;
    std::unique_ptr<test::DatagramPipe> pipe;
    Side a;
    Side b;
};

const std::vector<uint8_t> kRtp { 0x80, 0x60, 0, 7, 0, 0, 0, 9, 0xca, 0xfe, 0xba, 0xbe, 1, 2, 3, 4, 5 };
const std::vector<uint8_t> kRtcp { 0x80, 0xc9, 0x00, 0x01, 0xca, 0xfe, 0xba, 0xbe };

} // namespace

TEST_F(SrtpTransportTest, RtpAndRtcpCrossEncryptedBothWays)
{
    std::vector<std::vector<uint8_t>> onTheWire;
    thread->invoke([&] {
        pipe->a->lose = [&](std::span<const uint8_t> d) {
            onTheWire.emplace_back(d.begin(), d.end());
            return false;
        };
        EXPECT_TRUE(a.srtp->send(kRtp));
        EXPECT_TRUE(a.srtp->send(kRtcp));
        EXPECT_TRUE(b.srtp->send(kRtp));
        EXPECT_TRUE(b.srtp->send(kRtcp));
        EXPECT_FALSE(a.srtp->send(std::vector<uint8_t>(20, 0x16))) << "neither RTP nor RTCP";
    });
    ASSERT_TRUE(loop->spin_until([&] { return a.received.count() == 2 && b.received.count() == 2; }));
    thread->invoke([&] {
        EXPECT_EQ(b.received.packets(), (std::vector<std::vector<uint8_t>> { kRtp, kRtcp }));
        EXPECT_EQ(a.received.packets(), (std::vector<std::vector<uint8_t>> { kRtp, kRtcp }));
        ASSERT_EQ(onTheWire.size(), 2u);
        EXPECT_EQ(onTheWire[0].size(), kRtp.size() + 10) << "80-bit tag";
        EXPECT_EQ(PacketDemux::classify(onTheWire[1]), PacketKind::Rtcp);
        EXPECT_NE(std::vector<uint8_t>(onTheWire[0].begin() + 12, onTheWire[0].begin() + 17),
                  std::vector<uint8_t>(kRtp.begin() + 12, kRtp.end())) << "payload encrypted";
    });
}

TEST_F(SrtpTransportTest, ForgedReplayedAndGarbagePacketsAreCountedNotDelivered)
{
    std::vector<std::vector<uint8_t>> captured;
    thread->invoke([&] {
        pipe->a->lose = [&](std::span<const uint8_t> d) {
            captured.emplace_back(d.begin(), d.end());
            return captured.size() > 1; // the second never arrives: B has not seen its index
        };
        auto next = kRtp;
        a.srtp->send(kRtp);
        next[3] += 1;
        a.srtp->send(next);
    });
    ASSERT_TRUE(loop->spin_until([&] { return b.received.count() == 1; }));
    thread->invoke([&] {
        auto forged = captured[1];
        forged[13] ^= 0x80;
        pipe->b->receive(captured[0]); // replayed
        pipe->b->receive(forged);
        pipe->b->receive(std::vector<uint8_t>(captured[1].begin(), captured[1].begin() + 12)); // no tag left
        pipe->b->receive(std::vector<uint8_t>(50, 0x90)); // RTP range, nonsense
        const auto& dropped = b.srtp->dropped();
        EXPECT_EQ(dropped.replayed, 1u);
        EXPECT_EQ(dropped.authenticationFailed + dropped.malformed + dropped.other, 3u);
        EXPECT_EQ(b.received.count(), 1u);
    });
}
