// Two of our transport stacks (ICE, DTLS, SRTP) linked over real sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <thread>

#include <atomic>

#include "Foundation/RunLoopClock.h"
#include "MediaStack/Dtls/DtlsTransport.h"
#include "MediaStack/Ice/IceTransport.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Srtp/SrtpTransport.h"
#include "../support/PacketRecorder.h"
#include "support/ManualClockFixture.h"

using namespace media;

namespace {

constexpr double kNetworkBound = 30.0; // real seconds; loopback links up in well under one

struct Stack {
    std::shared_ptr<const Certificate> certificate = Certificate::generate();
    std::shared_ptr<IceTransport> ice;
    std::shared_ptr<SrtpTransport> srtp;
    std::atomic<TransportState> state { TransportState::New };
    test::PacketRecorder received;

    void clear()
    {
        certificate = Certificate::generate();
        ice.reset();
        srtp.reset();
        state = TransportState::New;
        received.clear();
    }
};

class TransportStackTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        // Real sockets: DTLS resends on real time, so the media thread runs on it too.
        thread = MediaThread::create(std::make_shared<MonotonicClock>());
    }

    void TearDown() override
    {
        thread->invoke([&] {
            a.clear();
            b.clear();
        });
        thread.reset();
        ManualClockFixture::TearDown();
    }

    void build(Stack& stack, IceRole iceRole, DtlsRole dtlsRole)
    {
        IceConfig ice;
        ice.role = iceRole;
        ice.maxPendingBytes = maxPendingBytes;
        ice.localAddresses = { "127.0.0.1" };
        stack.ice = IceTransport::create(thread, ice);
        auto dtls = DtlsTransport::create(thread, stack.ice, { dtlsRole, stack.certificate });
        stack.srtp = SrtpTransport::create(dtls);
        stack.srtp->onStateChange([&stack](TransportState state) { stack.state = state; });
        stack.srtp->onReceive([&stack](std::span<const uint8_t> packet) { stack.received.record(packet); });
    }

    // What the signalling channel would carry: credentials, fingerprints and trickled candidates.
    void link(IceRole roleOfA, DtlsRole dtlsRoleOfA, std::string fingerprintOnA = {})
    {
        thread->invoke([&] {
            build(a, roleOfA, dtlsRoleOfA);
            build(b, roleOfA == IceRole::Controlling ? IceRole::Controlled : IceRole::Controlling,
                  dtlsRoleOfA == DtlsRole::Client ? DtlsRole::Server : DtlsRole::Client);
            for (auto [from, to] : { std::pair { &a, &b }, std::pair { &b, &a } }) {
                to->ice->setRemoteCredentials(from->ice->localCredentials());
                std::weak_ptr<IceTransport> peer = to->ice;
                from->ice->onLocalCandidate([peer](const std::string& line) {
                    if (auto ice = peer.lock())
                        ice->addRemoteCandidate(line);
                });
                from->ice->onGatheringDone([peer] {
                    if (auto ice = peer.lock())
                        ice->remoteGatheringDone();
                });
            }
            a.srtp->dtls().setRemoteFingerprint("sha-256", fingerprintOnA.empty() ? b.certificate->fingerprint() : fingerprintOnA);
            b.srtp->dtls().setRemoteFingerprint("sha-256", a.certificate->fingerprint());
            a.ice->gatherCandidates();
            b.ice->gatherCandidates();
        });
    }

    bool bothAre(TransportState state)
    {
        return loop->spin_until([&] { return a.state == state && b.state == state; }, kNetworkBound);
    }

    std::shared_ptr<MediaThread> thread;
    size_t maxPendingBytes = IceConfig {}.maxPendingBytes;
    Stack a;
    Stack b;
};

const std::vector<uint8_t> kRtp { 0x80, 0x60, 0x00, 0x01, 0, 0, 0, 0x64, 0x12, 0x34, 0x56, 0x78, 'v', 'p', '8' };
const std::vector<uint8_t> kRtcp { 0x80, 0xc9, 0x00, 0x01, 0x12, 0x34, 0x56, 0x78 };

} // namespace

TEST_F(TransportStackTest, LinksUpAndCarriesSrtpAndSrtcpBothWays)
{
    struct Case {
        IceRole ice;
        DtlsRole dtls;
    };
    const Case cases[] = {
        { IceRole::Controlling, DtlsRole::Client },
        { IceRole::Controlling, DtlsRole::Server },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dtls == DtlsRole::Client ? "controlling side is the DTLS client" : "controlling side is the DTLS server");
        TearDown();
        SetUp();
        link(c.ice, c.dtls);
        ASSERT_TRUE(bothAre(TransportState::Connected));
        thread->invoke([&] {
            EXPECT_EQ(a.srtp->dtls().peerCertificate(), b.certificate->der());
            EXPECT_TRUE(a.srtp->send(kRtp));
            EXPECT_TRUE(a.srtp->send(kRtcp));
            EXPECT_TRUE(b.srtp->send(kRtcp));
            EXPECT_TRUE(b.srtp->send(kRtp));
        });
        ASSERT_TRUE(loop->spin_until([&] { return a.received.count() == 2 && b.received.count() == 2; }, kNetworkBound));
        thread->invoke([&] {
            EXPECT_EQ(b.received.packets(), (std::vector<std::vector<uint8_t>> { kRtp, kRtcp }));
            EXPECT_EQ(a.received.packets(), (std::vector<std::vector<uint8_t>> { kRtcp, kRtp }));
        });
    }
}

TEST_F(TransportStackTest, WrongFingerprintFailsTheLinkOnBothSides)
{
    link(IceRole::Controlling, DtlsRole::Client, Certificate::generate()->fingerprint());
    EXPECT_TRUE(bothAre(TransportState::Failed));
    thread->invoke([&] { EXPECT_FALSE(a.srtp->send(kRtp)); });
}

TEST_F(TransportStackTest, GarbageOnThePortIsDroppedAndTheLinkCarriesOn)
{
    link(IceRole::Controlling, DtlsRole::Client);
    ASSERT_TRUE(bothAre(TransportState::Connected));
    const std::vector<std::vector<uint8_t>> garbage {
        { 0x00, 0x01, 0x00, 0x08, 0x21, 0x12 }, // STUN binding request cut short
        { 0x00, 0x01, 0x7f, 0xf0, 0x21, 0x12, 0xa4, 0x42, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 }, // STUN lying about its length
        { 0x16, 0xfe, 0xfd, 0, 1, 0, 0, 0, 0, 0, 9, 0xff, 0xff, 0x02 }, // DTLS record lying about its length
        std::vector<uint8_t>(40, 0xff),
        std::vector<uint8_t>(40, 0x50),
        { 0x80, 0x60, 0x00, 0x09, 0, 0, 0, 0, 0x12, 0x34, 0x56, 0x78, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 }, // SRTP, bad tag
    };
    thread->invoke([&] {
        for (const auto& datagram : garbage)
            a.ice->send(datagram);
        a.srtp->send(kRtp);
    });
    ASSERT_TRUE(loop->spin_until([&] { return b.received.count() == 1; }, kNetworkBound));
    thread->invoke([&] {
        EXPECT_EQ(b.received.packets().at(0), kRtp);
        EXPECT_GE(b.srtp->dtls().droppedDatagrams(), 2u) << "the two that are neither DTLS nor SRTP";
        EXPECT_GE(b.srtp->dropped().total(), 1u) << "the forged SRTP";
    });
    EXPECT_EQ(b.state, TransportState::Connected);
}

TEST_F(TransportStackTest, AFloodWhileTheMediaThreadIsBusyIsDroppedBeforeItsHandOver)
{
    maxPendingBytes = 8 * 1000;
    link(IceRole::Controlling, DtlsRole::Client);
    ASSERT_TRUE(bothAre(TransportState::Connected));
    const std::vector<uint8_t> junk(1000, 0x50); // neither DTLS nor SRTP: counted and dropped once carried over
    uint64_t carriedBefore = 0;
    bool overflowed = false;
    // The whole flood goes out while the media thread is held in this one task, so nothing
    // received can be carried over until it ends: only what fits the hand-over waits.
    thread->invoke([&] {
        carriedBefore = b.srtp->dtls().droppedDatagrams();
        // 40 datagrams fit loopback's socket buffer: each is either waiting in the hand-over
        // or dropped at it once libnice's thread has read them all.
        for (int i = 0; i < 40; ++i)
            a.ice->send(junk);
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(static_cast<int>(kNetworkBound));
        while (b.ice->droppedDatagrams() < 32 && std::chrono::steady_clock::now() < bound)
            std::this_thread::yield();
        overflowed = b.ice->droppedDatagrams() == 32;
    });
    ASSERT_TRUE(overflowed);
    thread->invoke([] {}); // the datagrams that waited are carried over by now
    thread->invoke([&] {
        EXPECT_LE(b.srtp->dtls().droppedDatagrams() - carriedBefore, 8u) << "at most the cap's worth reached the media thread";
    });
    // The link carries on once the media thread has caught up.
    thread->invoke([&] { a.srtp->send(kRtp); });
    ASSERT_TRUE(loop->spin_until([&] { return b.received.count() == 1; }, kNetworkBound));
}
