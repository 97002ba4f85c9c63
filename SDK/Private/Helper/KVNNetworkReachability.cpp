#include "Private/Helper/KVNNetworkReachability.h"

#include <netinet/in.h>

#include "Network/SCNetworkReachability.h"

long KVNNetworkReachability::reachable()
{
    sockaddr_in zeroAddress{};
    static_assert(sizeof(zeroAddress) == 16);
    zeroAddress.sin_family = AF_INET;
    SCNetworkReachabilityRef target = SCNetworkReachabilityCreateWithAddress(reinterpret_cast<const sockaddr*>(&zeroAddress));
    if (!target)
        return NotReachable;
    SCNetworkReachabilityFlags flags = 0;
    if (!SCNetworkReachabilityGetFlags(target, &flags))
        flags = 0;
    return networkStatusForFlags(flags);
}

long KVNNetworkReachability::networkStatusForFlags(uint32_t flags)
{
    if (!(flags & kSCNetworkReachabilityFlagsReachable))
        return NotReachable;
    if (flags & kSCNetworkReachabilityFlagsIsWWAN)
        return ReachableViaWWAN;
    if (!(flags & kSCNetworkReachabilityFlagsConnectionRequired))
        return ReachableViaWiFi;
    // A connection that comes up by itself (on traffic or on demand) counts, unless the user
    // has to step in first.
    bool automatic = flags & (kSCNetworkReachabilityFlagsConnectionOnTraffic | kSCNetworkReachabilityFlagsConnectionOnDemand);
    if (automatic && !(flags & kSCNetworkReachabilityFlagsInterventionRequired))
        return ReachableViaWiFi;
    return NotReachable;
}
