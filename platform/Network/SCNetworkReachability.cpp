#include "Network/SCNetworkReachability.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

std::mutex g_testFlagsMutex;
std::optional<uint32_t> g_testFlags;

// Reads KVN_REACHABILITY_FLAGS: nullopt when unset or empty, or when it is not a 32-bit
// number (then says so once per bad value, and the interfaces decide).
std::optional<uint32_t> configuredFlags()
{
    const char* text = std::getenv("KVN_REACHABILITY_FLAGS");
    if (!text || !*text)
        return std::nullopt;
    std::string value(text);
    int base = 10;
    std::string digits = value;
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        base = 16;
        digits = value.substr(2);
    }
    bool ok = !digits.empty();
    for (char c : digits)
        ok = ok && (base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c)));
    unsigned long long number = 0;
    if (ok) {
        errno = 0;
        number = std::strtoull(digits.c_str(), nullptr, base);
        ok = errno == 0 && number <= UINT32_MAX;
    }
    if (ok)
        return static_cast<uint32_t>(number);

    static std::mutex warnedMutex;
    static std::string warnedValue;
    std::lock_guard lock(warnedMutex);
    if (warnedValue != value) {
        warnedValue = value;
        std::fprintf(stderr, "SCNetworkReachability: ignoring KVN_REACHABILITY_FLAGS=\"%s\": not a 32-bit number\n",
                     value.c_str());
    }
    return std::nullopt;
}

bool isLinkLocalIPv6(const sockaddr* address)
{
    auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
    return IN6_IS_ADDR_LINKLOCAL(&in6->sin6_addr);
}

// Reachable when some interface besides loopback is up and running with a routable address.
// An IPv6 link-local address alone does not count: every interface has one, network or not.
std::optional<SCNetworkReachabilityFlags> interfaceFlags()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    SCNetworkReachabilityFlags flags = 0;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        if (!(entry->ifa_flags & IFF_UP) || !(entry->ifa_flags & IFF_RUNNING))
            continue;
        int family = entry->ifa_addr->sa_family;
        if (family == AF_INET || (family == AF_INET6 && !isLinkLocalIPv6(entry->ifa_addr))) {
            flags = kSCNetworkReachabilityFlagsReachable;
            break;
        }
    }
    freeifaddrs(list);
    return flags;
}

} // namespace

SCNetworkReachabilityRef SCNetworkReachabilityCreateWithAddress(const sockaddr* address)
{
    if (!address || (address->sa_family != AF_INET && address->sa_family != AF_INET6))
        return nullptr;
    return std::make_shared<SCNetworkReachability>();
}

bool SCNetworkReachabilityGetFlags(const SCNetworkReachabilityRef& target, SCNetworkReachabilityFlags* flags)
{
    if (!target || !flags)
        return false;
    {
        std::lock_guard lock(g_testFlagsMutex);
        if (g_testFlags) {
            *flags = *g_testFlags;
            return true;
        }
    }
    if (auto configured = configuredFlags()) {
        *flags = *configured;
        return true;
    }
    auto fromInterfaces = interfaceFlags();
    if (!fromInterfaces)
        return false;
    *flags = *fromInterfaces;
    return true;
}

void SCNetworkReachabilitySetFlagsForTesting(std::optional<uint32_t> flags)
{
    std::lock_guard lock(g_testFlagsMutex);
    g_testFlags = flags;
}
