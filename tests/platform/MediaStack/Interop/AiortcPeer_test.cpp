// Our ICE, DTLS and SRTP keying against an independent peer: aiortc, run by Debian's own
// Python from aiortc_peer.py next to this file. Media exchange is not part of it: each side
// protects fixed packets with the keys it derived and the other must open them.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>

#include <nlohmann/json.hpp>

#include "Foundation/RunLoopClock.h"
#include "MediaStack/Dtls/DtlsTransport.h"
#include "MediaStack/Ice/IceTransport.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Srtp/SrtpKeys.h"
#include "MediaStack/Srtp/SrtpSession.h"
#include "MediaStack/Srtp/SrtpTransport.h"
#include "../support/PeerProcess.h"
#include "support/ManualClockFixture.h"

using namespace media;
using nlohmann::json;

namespace {

constexpr double kNetworkBound = 30.0;

std::string hexOf(const std::vector<uint8_t>& bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0f]);
    }
    return text;
}

std::vector<uint8_t> bytesOf(const std::string& hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

class AiortcPeerTest : public ManualClockFixture {};

} // namespace

TEST_F(AiortcPeerTest, IceDtlsAndSrtpKeysAgreeWithAiortc)
{
    if (!test::aiortcAvailable())
        GTEST_SKIP() << "Debian's python3-aiortc is not installed";
    const std::string script = std::filesystem::path(KVN_TEST_SOURCE_DIR) / "aiortc_peer.py";
    test::PeerProcess peer(script);
    json offer = peer.read();
    ASSERT_TRUE(offer.is_object()) << "the peer never sent its parameters";

    // Real sockets: DTLS resends on real time, so the media thread runs on it too.
    auto thread = MediaThread::create(std::make_shared<MonotonicClock>());
    auto certificate = Certificate::generate();
    std::shared_ptr<IceTransport> ice;
    std::shared_ptr<SrtpTransport> srtp;
    std::atomic<TransportState> state { TransportState::New };
    std::atomic<bool> gathered { false };
    std::mutex mutex;
    std::vector<std::string> ourCandidates;
    thread->invoke([&] {
        IceConfig config;
        config.role = IceRole::Controlling;
        config.localAddresses = { "127.0.0.1" };
        config.trickle = false; // the peer does not trickle
        ice = IceTransport::create(thread, config);
        ice->onLocalCandidate([&](const std::string& line) {
            std::lock_guard lock(mutex);
            ourCandidates.push_back(line);
        });
        ice->onGatheringDone([&] { gathered = true; });
        DtlsConfig dtlsConfig { DtlsRole::Server, certificate };
        // What we offer every peer; this one takes AES-CM, the only profile it knows.
        if (SrtpSession::supports(SrtpProfile::AeadAes128Gcm))
            dtlsConfig.srtpProfiles = { SrtpProfile::AeadAes128Gcm, SrtpProfile::Aes128CmSha1_80 };
        auto dtls = DtlsTransport::create(thread, ice, dtlsConfig);
        srtp = SrtpTransport::create(dtls);
        srtp->onStateChange([&](TransportState s) { state = s; });

        ice->setRemoteCredentials({ offer["ufrag"], offer["password"] });
        for (const auto& line : offer["candidates"])
            EXPECT_TRUE(ice->addRemoteCandidate(line.get<std::string>())) << line;
        ice->remoteGatheringDone();
        EXPECT_TRUE(dtls->setRemoteFingerprint("sha-256", offer["fingerprint"]));
        ice->gatherCandidates();
    });
    ASSERT_TRUE(loop->spin_until([&] { return gathered.load(); }, kNetworkBound));
    {
        std::lock_guard lock(mutex);
        peer.write({ { "ufrag", ice->localCredentials().ufrag },
                     { "password", ice->localCredentials().password },
                     { "fingerprint", certificate->fingerprint() },
                     { "candidates", ourCandidates } });
    }

    json theirs = peer.read();
    ASSERT_TRUE(theirs.is_object()) << "the peer never linked up";
    EXPECT_EQ(theirs["state"], "connected");
    ASSERT_TRUE(loop->spin_until([&] { return state == TransportState::Connected; }, kNetworkBound));

    // Keys as our stack derived them, in a session of the test's own.
    std::unique_ptr<SrtpSession> keys;
    thread->invoke([&] {
        auto& dtls = srtp->dtls();
        ASSERT_EQ(dtls.srtpProfile(), SrtpProfile::Aes128CmSha1_80);
        auto material = dtls.exportKeyingMaterial(SrtpKeys::materialLength(SrtpProfile::Aes128CmSha1_80));
        auto split = SrtpKeys::fromExportedMaterial(SrtpProfile::Aes128CmSha1_80, dtls.role(), material);
        ASSERT_TRUE(split);
        keys = SrtpSession::create(*split);
    });
    ASSERT_TRUE(keys);
    const auto rtp = bytesOf("80600001000000641234567876703800");
    const auto rtcp = bytesOf("80c9000112345678");
    auto theirRtp = bytesOf(theirs["rtp"]);
    auto theirRtcp = bytesOf(theirs["rtcp"]);
    ASSERT_EQ(keys->unprotectRtp(theirRtp), SrtpResult::Ok);
    ASSERT_EQ(keys->unprotectRtcp(theirRtcp), SrtpResult::Ok);
    EXPECT_EQ(theirRtp, rtp);
    EXPECT_EQ(theirRtcp, rtcp);

    auto ourRtp = rtp;
    auto ourRtcp = rtcp;
    ASSERT_EQ(keys->protectRtp(ourRtp), SrtpResult::Ok);
    ASSERT_EQ(keys->protectRtcp(ourRtcp), SrtpResult::Ok);
    peer.write({ { "rtp", hexOf(ourRtp) }, { "rtcp", hexOf(ourRtcp) } });
    json opened = peer.read();
    ASSERT_TRUE(opened.is_object());
    EXPECT_EQ(opened["rtp"], hexOf(rtp));
    EXPECT_EQ(opened["rtcp"], hexOf(rtcp));

    thread->invoke([&] {
        srtp.reset();
        ice.reset();
    });
}
