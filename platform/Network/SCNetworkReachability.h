#pragma once
// Whether this machine can reach a network, told as reachability flags. The flags describe the
// machine's connectivity as a whole (the answer the app wants for the zero address): any
// interface other than loopback that is up, running and has an address makes it Reachable.
// The machine's configuration may fix the flags (KVN_REACHABILITY_FLAGS, a decimal or 0x hex
// number), and a test may fix them too; a test's value wins over the configuration's.
// Any thread; the flags are read afresh at each SCNetworkReachabilityGetFlags.
#include <sys/socket.h>

#include <cstdint>
#include <memory>
#include <optional>

using SCNetworkReachabilityFlags = uint32_t;

enum : SCNetworkReachabilityFlags {
    kSCNetworkReachabilityFlagsTransientConnection = 1u << 0,
    kSCNetworkReachabilityFlagsReachable = 1u << 1,
    kSCNetworkReachabilityFlagsConnectionRequired = 1u << 2,
    kSCNetworkReachabilityFlagsConnectionOnTraffic = 1u << 3,
    kSCNetworkReachabilityFlagsInterventionRequired = 1u << 4,
    kSCNetworkReachabilityFlagsConnectionOnDemand = 1u << 5,
    kSCNetworkReachabilityFlagsIsLocalAddress = 1u << 16,
    kSCNetworkReachabilityFlagsIsDirect = 1u << 17,
    kSCNetworkReachabilityFlagsIsWWAN = 1u << 18,
    kSCNetworkReachabilityFlagsConnectionAutomatic = kSCNetworkReachabilityFlagsConnectionOnTraffic,
};

// The target whose reachability is asked for, made by SCNetworkReachabilityCreateWithAddress.
// Every target answers for the machine as a whole, so it carries nothing of its own.
class SCNetworkReachability { };

using SCNetworkReachabilityRef = std::shared_ptr<SCNetworkReachability>;

// Null for a null address or one that is neither IPv4 nor IPv6.
SCNetworkReachabilityRef SCNetworkReachabilityCreateWithAddress(const sockaddr* address);

// Stores the current flags; false (and *flags untouched) when they cannot be read: a null
// target or output, or the machine's interfaces cannot be listed.
bool SCNetworkReachabilityGetFlags(const SCNetworkReachabilityRef& target, SCNetworkReachabilityFlags* flags);

// Fixes the flags every target reports, ahead of the configuration and the interfaces;
// nullopt gives the decision back to them.
void SCNetworkReachabilitySetFlagsForTesting(std::optional<uint32_t> flags);
