#pragma once
// Whether the device has a network, and which kind: asks the platform's reachability
// service about the zero IPv4 address (the device's connectivity as a whole). Class
// operations only, no state. Main thread (any thread would do).
#include <cstdint>

class KVNNetworkReachability {
public:
    // Network status values.
    static constexpr long NotReachable = 0;
    static constexpr long ReachableViaWiFi = 1;
    static constexpr long ReachableViaWWAN = 2;

    // The current network status; NotReachable when the reachability service cannot answer.
    static long reachable();
    // The network status that reachability flags stand for.
    static long networkStatusForFlags(uint32_t flags);
};
