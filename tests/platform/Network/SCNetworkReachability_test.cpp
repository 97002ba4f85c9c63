#include "Network/SCNetworkReachability.h"

#include <netinet/in.h>
#include <sys/un.h>

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

// Each test starts from the machine's own answer: no test flags, no configured flags.
class ReachabilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SCNetworkReachabilitySetFlagsForTesting(std::nullopt);
        unsetenv("KVN_REACHABILITY_FLAGS");
    }
    void TearDown() override { SetUp(); }

    static SCNetworkReachabilityRef zeroAddressTarget()
    {
        sockaddr_in zero{};
        zero.sin_family = AF_INET;
        return SCNetworkReachabilityCreateWithAddress(reinterpret_cast<const sockaddr*>(&zero));
    }

    static std::optional<SCNetworkReachabilityFlags> read()
    {
        SCNetworkReachabilityFlags flags = 0xdeadbeef;
        if (!SCNetworkReachabilityGetFlags(zeroAddressTarget(), &flags))
            return std::nullopt;
        return flags;
    }
};

TEST_F(ReachabilityTest, TargetsAreMadeOnlyForInternetAddresses)
{
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    sockaddr_un local{};
    local.sun_family = AF_UNIX;
    sockaddr unspecified{};

    EXPECT_TRUE(SCNetworkReachabilityCreateWithAddress(reinterpret_cast<const sockaddr*>(&v4)));
    EXPECT_TRUE(SCNetworkReachabilityCreateWithAddress(reinterpret_cast<const sockaddr*>(&v6)));
    EXPECT_FALSE(SCNetworkReachabilityCreateWithAddress(reinterpret_cast<const sockaddr*>(&local)));
    EXPECT_FALSE(SCNetworkReachabilityCreateWithAddress(&unspecified));
    EXPECT_FALSE(SCNetworkReachabilityCreateWithAddress(nullptr));
}

TEST_F(ReachabilityTest, NoTargetOrNoOutputReadsNothing)
{
    SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable);
    SCNetworkReachabilityFlags flags = 77;
    EXPECT_FALSE(SCNetworkReachabilityGetFlags(nullptr, &flags));
    EXPECT_EQ(flags, 77u);
    EXPECT_FALSE(SCNetworkReachabilityGetFlags(zeroAddressTarget(), nullptr));
}

TEST_F(ReachabilityTest, InterfacesGiveReachableOrNothing)
{
    // What the machine has is unknown here; only the shape of the answer is fixed.
    auto flags = read();
    ASSERT_TRUE(flags);
    EXPECT_TRUE(*flags == 0 || *flags == kSCNetworkReachabilityFlagsReachable) << *flags;
}

TEST_F(ReachabilityTest, ConfiguredFlagsOverrideTheInterfaces)
{
    struct Case {
        const char* value;
        SCNetworkReachabilityFlags expected;
    } cases[] = {
        {"0", 0},
        {"2", kSCNetworkReachabilityFlagsReachable},
        {"0x40002", kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN},
        {"0X26", kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsConnectionRequired
                     | kSCNetworkReachabilityFlagsConnectionOnDemand},
        {"54", 0x36}, // decimal, not octal or hex
        {"010", 10},  // a leading zero is still decimal
        {"4294967295", 0xffffffffu},
    };
    for (const auto& c : cases) {
        setenv("KVN_REACHABILITY_FLAGS", c.value, 1);
        EXPECT_EQ(read(), c.expected) << c.value;
    }
}

TEST_F(ReachabilityTest, UnreadableConfigurationLeavesTheDecisionToTheInterfaces)
{
    auto fromInterfaces = read();
    ASSERT_TRUE(fromInterfaces);
    for (const char* value : {"", "abc", "-1", "+2", " 2", "2 ", "0x", "0xg", "4294967296", "1e3", "99999999999999999999999"}) {
        setenv("KVN_REACHABILITY_FLAGS", value, 1);
        EXPECT_EQ(read(), fromInterfaces) << '"' << value << '"';
    }
}

TEST_F(ReachabilityTest, TestFlagsWinOverTheConfigurationUntilCleared)
{
    setenv("KVN_REACHABILITY_FLAGS", "0x40002", 1);
    SCNetworkReachabilitySetFlagsForTesting(0);
    EXPECT_EQ(read(), 0u);
    SCNetworkReachabilitySetFlagsForTesting(kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsInterventionRequired);
    EXPECT_EQ(read(), 0x12u);
    SCNetworkReachabilitySetFlagsForTesting(std::nullopt);
    EXPECT_EQ(read(), 0x40002u);
}

TEST_F(ReachabilityTest, FlagBitsHaveTheirPlatformValues)
{
    EXPECT_EQ(kSCNetworkReachabilityFlagsReachable, 0x2u);
    EXPECT_EQ(kSCNetworkReachabilityFlagsConnectionRequired, 0x4u);
    EXPECT_EQ(kSCNetworkReachabilityFlagsConnectionOnTraffic, 0x8u);
    EXPECT_EQ(kSCNetworkReachabilityFlagsInterventionRequired, 0x10u);
    EXPECT_EQ(kSCNetworkReachabilityFlagsConnectionOnDemand, 0x20u);
    EXPECT_EQ(kSCNetworkReachabilityFlagsIsWWAN, 0x40000u);
}

} // namespace

