#include "Private/Helper/KVNNetworkReachability.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

#include "Network/SCNetworkReachability.h"

namespace {

constexpr uint32_t Reachable = kSCNetworkReachabilityFlagsReachable;
constexpr uint32_t ConnectionRequired = kSCNetworkReachabilityFlagsConnectionRequired;
constexpr uint32_t OnTraffic = kSCNetworkReachabilityFlagsConnectionOnTraffic;
constexpr uint32_t InterventionRequired = kSCNetworkReachabilityFlagsInterventionRequired;
constexpr uint32_t OnDemand = kSCNetworkReachabilityFlagsConnectionOnDemand;
constexpr uint32_t IsWWAN = kSCNetworkReachabilityFlagsIsWWAN;

struct FlagsCase {
    const char* reason;
    uint32_t flags;
    long status;
};

TEST(KVNNetworkReachabilityTest, NetworkStatusForFlags)
{
    const FlagsCase cases[] = {
        {"nothing set", 0, 0},
        {"not reachable, whatever else", IsWWAN | OnTraffic | OnDemand, 0},
        {"reachable, no connection needed", Reachable, 1},
        {"the bit values themselves", 0x2, 1},
        {"connection required and nothing brings it up", Reachable | ConnectionRequired, 0},
        {"connection comes up on traffic", Reachable | ConnectionRequired | OnTraffic, 1},
        {"connection comes up on demand", Reachable | ConnectionRequired | OnDemand, 1},
        {"on demand, but the user must step in", Reachable | ConnectionRequired | OnDemand | InterventionRequired, 0},
        {"on traffic, but the user must step in", Reachable | ConnectionRequired | OnTraffic | InterventionRequired, 0},
        {"intervention alone does not matter without a required connection", Reachable | InterventionRequired, 1},
        {"cellular", Reachable | IsWWAN, 2},
        {"cellular wins over everything else", Reachable | IsWWAN | ConnectionRequired | InterventionRequired, 2},
        {"cellular bit value", 0x2 | 0x40000, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KVNNetworkReachability::networkStatusForFlags(c.flags), c.status) << c.reason;
}

class KVNNetworkReachabilityReachableTest : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("KVN_REACHABILITY_FLAGS"); }
    void TearDown() override { SCNetworkReachabilitySetFlagsForTesting(std::nullopt); }
};

TEST_F(KVNNetworkReachabilityReachableTest, ReadsTheFlagsOfTheMachine)
{
    SCNetworkReachabilitySetFlagsForTesting(Reachable);
    EXPECT_EQ(KVNNetworkReachability::reachable(), 1);
    SCNetworkReachabilitySetFlagsForTesting(Reachable | IsWWAN);
    EXPECT_EQ(KVNNetworkReachability::reachable(), 2);
    SCNetworkReachabilitySetFlagsForTesting(0);
    EXPECT_EQ(KVNNetworkReachability::reachable(), 0);
}

} // namespace
