#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "MediaStack/Ice/IceCandidate.h"
#include "MediaStack/Ice/IceTransport.h"
#include "MediaStack/Net/MediaThread.h"
#include "support/ManualClockFixture.h"

using namespace media;

namespace {

// A UDP port that takes STUN requests and never answers, so gathering never ends by itself.
struct SilentStunServer {
    SilentStunServer()
    {
        fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~SilentStunServer() { ::close(fd); }
    int fd = -1;
    uint16_t port = 0;
};

class IceTransportTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        thread = MediaThread::create();
    }
    void TearDown() override
    {
        thread->invoke([&] { ice.reset(); });
        thread.reset();
        ManualClockFixture::TearDown();
    }

    std::shared_ptr<MediaThread> thread;
    std::shared_ptr<IceTransport> ice;
};

} // namespace

TEST_F(IceTransportTest, EarlyModeHandsOverItsCandidatesAtTheTimeoutWhenGatheringHangs)
{
    SilentStunServer stun;
    std::mutex mutex;
    std::vector<std::string> lines;
    std::atomic<int> done { 0 };
    std::atomic<size_t> linesAtDone { 0 };
    thread->invoke([&] {
        IceConfig config;
        config.localAddresses = { "127.0.0.1" };
        config.stunHost = "127.0.0.1";
        config.stunPort = stun.port;
        config.trickle = false;
        config.earlyCandidatesTimeout = 0.5;
        ice = IceTransport::create(thread, config);
        ice->onLocalCandidate([&](const std::string& line) {
            std::lock_guard lock(mutex);
            lines.push_back(line);
        });
        ice->onGatheringDone([&] {
            std::lock_guard lock(mutex);
            linesAtDone = lines.size();
            ++done;
        });
        ice->gatherCandidates();
    });
    EXPECT_FALSE(loop->spin_until([&] { return done > 0; }, 0.3)) << "the STUN server never answers and the clock stands";

    runFor(0.5);
    ASSERT_TRUE(loop->spin_until([&] { return done > 0; }));
    std::lock_guard lock(mutex);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(linesAtDone, lines.size()) << "nothing after the hand-over";
    for (const auto& line : lines) {
        auto candidate = IceCandidate::parse(line);
        ASSERT_TRUE(candidate) << line;
        EXPECT_EQ(candidate->type(), CandidateType::Host);
        EXPECT_EQ(candidate->priority() >> 24, 126u) << "our host preference, not libnice's";
    }
}

TEST_F(IceTransportTest, UnusableRemoteCandidatesAreRefusedAndCounted)
{
    thread->invoke([&] {
        IceConfig config;
        config.localAddresses = { "127.0.0.1" };
        config.policy.suppressRelay = true;
        ice = IceTransport::create(thread, config);
        struct Case {
            const char* line;
            bool accepted;
        };
        const Case cases[] = {
            { "candidate:1 1 UDP 2130706431 127.0.0.1 40000 typ host", true },
            { "a=candidate:2 1 UDP 2130706431 127.0.0.1 40001 typ host", true },
            { "candidate:3 1 UDP 16777215 127.0.0.1 40002 typ relay raddr 127.0.0.1 rport 9", false },
            { "candidate:4 2 UDP 2130706430 127.0.0.1 40003 typ host", false }, // RTCP component: we mux
            { "candidate:5 1 UDP 2130706431 not-an-address 40004 typ host", false },
            { "candidate:6 1 UDP", false },
        };
        int refused = 0;
        for (const auto& c : cases) {
            EXPECT_EQ(ice->addRemoteCandidate(c.line), c.accepted) << c.line;
            refused += c.accepted ? 0 : 1;
        }
        EXPECT_EQ(ice->refusedRemoteCandidates(), static_cast<uint64_t>(refused));
        auto credentials = ice->localCredentials();
        EXPECT_GE(credentials.ufrag.size(), 4u);
        EXPECT_GE(credentials.password.size(), 22u);
    });
}
