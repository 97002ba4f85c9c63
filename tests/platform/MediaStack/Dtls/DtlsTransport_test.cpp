#include <gtest/gtest.h>

#include <atomic>

#include "MediaStack/Dtls/DtlsTransport.h"
#include "MediaStack/Srtp/SrtpKeys.h"
#include "MediaStack/Srtp/SrtpSession.h"
#include "../support/DatagramPipe.h"
#include "support/ManualClockFixture.h"

using namespace media;
using media::test::DatagramPipe;

namespace {

// Two DTLS ends over a pipe on one media thread, on the test's manual clock: nothing is
// retransmitted unless the test steps the clock.
class DtlsTransportTest : public ManualClockFixture {
protected:
    struct End {
        std::shared_ptr<const Certificate> certificate = Certificate::generate();
        std::shared_ptr<DtlsTransport> dtls;
        std::atomic<TransportState> state { TransportState::New };

        void clear()
        {
            certificate = Certificate::generate();
            dtls.reset();
            state = TransportState::New;
        }
    };

    void SetUp() override
    {
        ManualClockFixture::SetUp();
        thread = MediaThread::create();
        thread->invoke([&] { pipe = std::make_unique<DatagramPipe>(thread); });
    }

    void TearDown() override
    {
        thread->invoke([&] {
            a.clear();
            b.clear();
            pipe.reset();
        });
        thread.reset();
        ManualClockFixture::TearDown();
    }

    void make(End& end, const std::shared_ptr<test::PipeEnd>& lower, DtlsConfig config)
    {
        config.certificate = end.certificate;
        thread->invoke([&] {
            end.dtls = DtlsTransport::create(thread, lower, config);
            ASSERT_TRUE(end.dtls);
            end.dtls->onStateChange([&end](TransportState state) { end.state = state; });
        });
    }

    // A is the client unless told otherwise; each end knows the other's true fingerprint.
    // `fingerprintOnA` stands in for B's true fingerprint when given; empty sets none.
    void makeBoth(DtlsConfig configA = {}, DtlsConfig configB = {}, std::optional<std::string> fingerprintOnA = std::nullopt)
    {
        configB.role = configA.role == DtlsRole::Client ? DtlsRole::Server : DtlsRole::Client;
        make(a, pipe->a, configA);
        make(b, pipe->b, configB);
        thread->invoke([&] {
            std::string onA = fingerprintOnA.value_or(b.certificate->fingerprint());
            if (!onA.empty()) {
                EXPECT_TRUE(a.dtls->setRemoteFingerprint("sha-256", onA));
            }
            EXPECT_TRUE(b.dtls->setRemoteFingerprint("sha-256", a.certificate->fingerprint()));
        });
    }

    void connect() { thread->invoke([&] { pipe->connect(); }); }

    bool waitFor(TransportState wantA, TransportState wantB)
    {
        return loop->spin_until([&] { return a.state == wantA && b.state == wantB; }, 20.0);
    }

    std::shared_ptr<MediaThread> thread;
    std::unique_ptr<DatagramPipe> pipe;
    End a;
    End b;
};

} // namespace

TEST_F(DtlsTransportTest, HandshakeCompletesWithEitherEndAsClient)
{
    for (DtlsRole roleOfA : { DtlsRole::Client, DtlsRole::Server }) {
        SCOPED_TRACE(roleOfA == DtlsRole::Client ? "A is the client" : "A is the server");
        TearDown();
        SetUp();
        DtlsConfig config;
        config.role = roleOfA;
        makeBoth(config);
        connect();
        ASSERT_TRUE(waitFor(TransportState::Connected, TransportState::Connected));
        thread->invoke([&] {
            EXPECT_EQ(a.dtls->srtpProfile(), SrtpProfile::Aes128CmSha1_80);
            EXPECT_EQ(a.dtls->peerCertificate(), b.certificate->der());
            EXPECT_EQ(b.dtls->peerCertificate(), a.certificate->der());
            // Both ends derive the same material, and each sends with the key the other receives with.
            auto materialA = a.dtls->exportKeyingMaterial(SrtpKeys::materialLength(SrtpProfile::Aes128CmSha1_80));
            auto materialB = b.dtls->exportKeyingMaterial(SrtpKeys::materialLength(SrtpProfile::Aes128CmSha1_80));
            ASSERT_EQ(materialA.size(), 60u);
            EXPECT_EQ(materialA, materialB);
            auto keysA = SrtpKeys::fromExportedMaterial(SrtpProfile::Aes128CmSha1_80, a.dtls->role(), materialA);
            auto keysB = SrtpKeys::fromExportedMaterial(SrtpProfile::Aes128CmSha1_80, b.dtls->role(), materialB);
            ASSERT_TRUE(keysA && keysB);
            EXPECT_EQ(keysA->local, keysB->remote);
            EXPECT_EQ(keysA->remote, keysB->local);
            EXPECT_NE(keysA->local, keysA->remote);
        });
    }
}

TEST_F(DtlsTransportTest, WrongOrMissingFingerprintFailsBothEnds)
{
    struct Case {
        std::string fingerprintOnA;
        const char* why;
    };
    const Case cases[] = {
        { Certificate::generate()->fingerprint(), "A does not recognise B" },
        { "", "A never learnt B's fingerprint" },
    };
    for (const auto& c : cases) {
        for (DtlsRole roleOfA : { DtlsRole::Client, DtlsRole::Server }) {
            SCOPED_TRACE(std::string(c.why) + (roleOfA == DtlsRole::Client ? ", A client" : ", A server"));
            TearDown();
            SetUp();
            DtlsConfig config;
            config.role = roleOfA;
            makeBoth(config, {}, c.fingerprintOnA);
            connect();
            EXPECT_TRUE(waitFor(TransportState::Failed, TransportState::Failed));
            thread->invoke([&] { EXPECT_TRUE(a.dtls->exportKeyingMaterial(60).empty()); });
        }
    }
}

TEST_F(DtlsTransportTest, SrtpProfileIsTheServersFirstChoiceAmongTheClientsOffers)
{
    const bool gcm = SrtpSession::supports(SrtpProfile::AeadAes128Gcm);
    struct Case {
        std::vector<SrtpProfile> client;
        std::vector<SrtpProfile> server;
        std::optional<SrtpProfile> agreed;
        bool needsGcm;
        const char* why;
    };
    const Case cases[] = {
        { { SrtpProfile::AeadAes128Gcm, SrtpProfile::Aes128CmSha1_80 }, { SrtpProfile::Aes128CmSha1_80 },
          SrtpProfile::Aes128CmSha1_80, false, "a peer that offers only AES-CM" },
        { { SrtpProfile::Aes128CmSha1_80 }, { SrtpProfile::AeadAes128Gcm, SrtpProfile::Aes128CmSha1_80 },
          SrtpProfile::Aes128CmSha1_80, false, "a client that offers only AES-CM" },
        { { SrtpProfile::AeadAes128Gcm, SrtpProfile::Aes128CmSha1_80 },
          { SrtpProfile::AeadAes128Gcm, SrtpProfile::Aes128CmSha1_80 }, SrtpProfile::AeadAes128Gcm, true, "both prefer GCM" },
        { { SrtpProfile::AeadAes128Gcm }, { SrtpProfile::Aes128CmSha1_80 }, std::nullopt, false, "nothing in common" },
    };
    for (const auto& c : cases) {
        if (c.needsGcm && !gcm)
            continue;
        SCOPED_TRACE(c.why);
        TearDown();
        SetUp();
        DtlsConfig client;
        client.srtpProfiles = c.client;
        DtlsConfig server;
        server.srtpProfiles = c.server;
        makeBoth(client, server);
        connect();
        if (!c.agreed) {
            EXPECT_TRUE(loop->spin_until([&] { return a.state == TransportState::Failed; }, 20.0));
            continue;
        }
        ASSERT_TRUE(waitFor(TransportState::Connected, TransportState::Connected));
        thread->invoke([&] {
            EXPECT_EQ(a.dtls->srtpProfile(), c.agreed);
            EXPECT_EQ(b.dtls->srtpProfile(), c.agreed);
        });
    }
}

TEST_F(DtlsTransportTest, LostFlightIsSentAgainWhenTheClockPassesTheTimeout)
{
    DtlsConfig config;
    // Short enough that the wall clock has passed it (OpenSSL checks that too) by the time
    // the test steps the loop's clock.
    config.initialRetransmitTimeout = 0.05;
    makeBoth(config);
    std::atomic<int> lost { 0 };
    thread->invoke([&] {
        pipe->a->lose = [&](std::span<const uint8_t>) { return lost++ == 0; }; // the first ClientHello
    });
    connect();
    EXPECT_FALSE(loop->spin_until([&] { return lost >= 2; }, 0.2)) << "no second ClientHello before the clock moves";

    runFor(0.05);
    EXPECT_TRUE(waitFor(TransportState::Connected, TransportState::Connected));
    EXPECT_GE(lost.load(), 2);
}

TEST_F(DtlsTransportTest, FirstFlightThatArrivesBeforeTheServerAttachesIsKeptForIt)
{
    // The peer starts DTLS as soon as its ICE pair works, before our side has set up DTLS;
    // the clock never moves, so only the kept ClientHello can finish the handshake.
    for (DtlsRole roleOfA : { DtlsRole::Client, DtlsRole::Server }) {
        SCOPED_TRACE(roleOfA == DtlsRole::Client ? "B is the late server" : "B is the late client");
        TearDown();
        SetUp();
        DtlsConfig configA;
        configA.role = roleOfA;
        make(a, pipe->a, configA);
        thread->invoke([&] { EXPECT_TRUE(a.dtls->setRemoteFingerprint("sha-256", b.certificate->fingerprint())); });
        connect();
        if (roleOfA == DtlsRole::Client) {
            ASSERT_TRUE(loop->spin_until(
                [&] {
                    size_t kept = 0;
                    thread->invoke([&] { kept = pipe->b->earlyDatagramCount(); });
                    return kept > 0;
                },
                5.0));
        }
        // As the link does it: made and given the peer's fingerprint in one turn of the loop.
        DtlsConfig configB;
        configB.role = roleOfA == DtlsRole::Client ? DtlsRole::Server : DtlsRole::Client;
        configB.certificate = b.certificate;
        thread->invoke([&] {
            b.dtls = DtlsTransport::create(thread, pipe->b, configB);
            ASSERT_TRUE(b.dtls);
            b.dtls->onStateChange([this](TransportState state) { b.state = state; });
            EXPECT_TRUE(b.dtls->setRemoteFingerprint("sha-256", a.certificate->fingerprint()));
            EXPECT_EQ(pipe->b->earlyDatagramCount(), 0u) << "handed to B when it attached";
        });
        EXPECT_TRUE(waitFor(TransportState::Connected, TransportState::Connected));
    }
}

TEST_F(DtlsTransportTest, OnlyAFewDtlsRecordsAreKeptBeforeAnyoneAttaches)
{
    const std::vector<uint8_t> record { 0x16, 0xfe, 0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x01, 0x01 };
    struct Case {
        std::vector<uint8_t> datagram;
        size_t keptAfter;
        const char* why;
    };
    const Case cases[] = {
        { { 0x00, 0x01, 0x00, 0x00, 0x21, 0x12, 0xa4, 0x42 }, 0, "STUN is ICE's, never kept" },
        { { 0x80, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0xaa }, 0, "RTP without keys is worthless" },
        { record, 1, "a DTLS record" },
        { std::vector<uint8_t>(DatagramTransport::maxEarlyBytes, 0x16), 1, "one that would pass the byte bound" },
    };
    thread->invoke([&] {
        for (const auto& c : cases) {
            pipe->b->receive(c.datagram);
            EXPECT_EQ(pipe->b->earlyDatagramCount(), c.keptAfter) << c.why;
        }
        for (size_t i = 0; i < 2 * DatagramTransport::maxEarlyDatagrams; ++i)
            pipe->b->receive(record);
        EXPECT_EQ(pipe->b->earlyDatagramCount(), DatagramTransport::maxEarlyDatagrams);
        EXPECT_EQ(pipe->b->droppedEarlyDatagrams(), 3 + DatagramTransport::maxEarlyDatagrams + 1);
    });
}

TEST_F(DtlsTransportTest, GarbageIsDroppedAndCountedAndTheHandshakeStillCompletes)
{
    makeBoth();
    struct Case {
        std::vector<uint8_t> datagram;
        const char* why;
    };
    const std::vector<uint8_t> hello { 0x16, 0xfe, 0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x04, 0x01, 0x00, 0x00, 0x00 };
    auto withByte = [&](size_t index, uint8_t value) {
        auto bytes = hello;
        bytes[index] = value;
        return bytes;
    };
    auto twoRecords = hello;
    twoRecords.insert(twoRecords.end(), hello.begin(), hello.end() - 1);
    const Case cases[] = {
        { {}, "empty" },
        { { 0x16, 0xfe }, "DTLS shorter than a record header" },
        { withByte(12, 0x05), "a record one byte longer than the datagram" },
        { withByte(11, 0xff), "a record claiming 64 KiB" },
        { twoRecords, "a second record cut short" },
        { withByte(2, 0x03), "a TLS version, not DTLS" },
        { withByte(0, 0x1a), "content type 26" },
        { { 0x00, 0x01, 0x00, 0x50, 0x21, 0x12 }, "a STUN request cut short" },
        { std::vector<uint8_t>(30, 0x50), "between TURN and RTP" },
        { std::vector<uint8_t>(30, 0xff), "above RTP" },
        { { 0x80, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0xaa }, "SRTP before the keys" },
    };
    thread->invoke([&] {
        for (const auto& c : cases) {
            const auto before = b.dtls->droppedDatagrams();
            pipe->b->receive(c.datagram);
            EXPECT_EQ(b.dtls->droppedDatagrams(), before + 1) << c.why;
        }
    });
    EXPECT_NE(b.state, TransportState::Failed);
    connect();
    EXPECT_TRUE(waitFor(TransportState::Connected, TransportState::Connected));
}

TEST_F(DtlsTransportTest, SrtpPassesUpOnlyAfterTheHandshakeAndCloseNotifyClosesThePeer)
{
    makeBoth();
    std::vector<std::vector<uint8_t>> receivedByB;
    thread->invoke([&] {
        b.dtls->onReceive([&](std::span<const uint8_t> d) { receivedByB.emplace_back(d.begin(), d.end()); });
    });
    const std::vector<uint8_t> rtp { 0x80, 0x60, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0xaa };
    thread->invoke([&] { EXPECT_FALSE(a.dtls->send(rtp)) << "no SRTP before the keys"; });
    connect();
    ASSERT_TRUE(waitFor(TransportState::Connected, TransportState::Connected));
    thread->invoke([&] {
        EXPECT_TRUE(a.dtls->send(rtp));
        EXPECT_FALSE(a.dtls->send(std::vector<uint8_t>(20, 0x16))) << "DTLS-looking bytes never go down raw";
    });
    EXPECT_TRUE(loop->spin_until([&] {
        bool got = false;
        thread->invoke([&] { got = receivedByB.size() == 1 && receivedByB[0] == rtp; });
        return got;
    }));
    thread->invoke([&] { a.dtls->close(); });
    EXPECT_TRUE(waitFor(TransportState::Closed, TransportState::Closed));
}
