#include "Network/PublicKeyPinning.h"

#include <arpa/inet.h>
#include <mutex>
#include <set>
#include <vector>

#include "Foundation/NSBase64.h"
#include "Foundation/NSLog.h"

const std::string PublicKeyPinningErrorDomain = "PublicKeyPinningErrorDomain";

namespace {

namespace Key = PublicKeyPinningConfigurationKey;

constexpr size_t kHashLength = 44; // base64 of a SHA-256 digest
constexpr size_t kDigestLength = 32;
constexpr size_t kMinimumHashes = 2;

struct Shared {
    std::mutex mutex;
    std::shared_ptr<const PublicKeyPinning> instance;
};

Shared& shared()
{
    static Shared* state = new Shared; // never destroyed: transfer threads may ask during exit
    return *state;
}

// The one spelling of a host both the configuration and the lookups use: lower case, an IPv6
// address without its brackets, no final dot ("bank.example." is the same host as "bank.example").
std::string canonicalHost(std::string host)
{
    for (auto& c : host)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host.size() > 1 && host.back() == '.')
        host.pop_back();
    return host;
}

// A name or address a URL can hold; a port, path, wildcard or blank is not part of a host.
bool isHostName(const std::string& host)
{
    if (host.find(':') != std::string::npos) {
        unsigned char address[16];
        return inet_pton(AF_INET6, host.c_str(), address) == 1;
    }
    if (host.empty())
        return false;
    for (char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!allowed)
            return false;
    }
    return true;
}

bool isKeyHash(const std::string& text)
{
    if (text.size() != kHashLength)
        return false;
    const auto bytes = NSBase64Decode(text);
    return bytes && bytes->size() == kDigestLength;
}

// Reads one domain's entry; an error text, or empty with `pins` filled in (empty when the
// domain's enforcement is off).
std::string readDomain(const std::string& name, const nlohmann::json& entry, std::string& pins)
{
    if (!entry.is_object())
        return "is not a dictionary";
    for (const auto& [key, value] : entry.items()) {
        if (key != Key::EnforcePinning && key != Key::PublicKeyAlgorithms && key != Key::PublicKeyHashes)
            return "has the unsupported key \"" + key + "\"";
    }

    const auto enforce = entry.find(Key::EnforcePinning);
    if (enforce == entry.end() || !enforce->is_boolean())
        return std::string("needs \"") + Key::EnforcePinning + "\" as YES or NO";

    const auto algorithms = entry.find(Key::PublicKeyAlgorithms);
    if (algorithms == entry.end() || !algorithms->is_array() || algorithms->empty())
        return std::string("needs \"") + Key::PublicKeyAlgorithms + "\" as a non-empty list";
    for (const auto& algorithm : *algorithms) {
        if (!algorithm.is_string() || algorithm.get<std::string>() != PublicKeyPinningAlgorithm::RSA2048)
            return std::string("has the unknown public-key algorithm ") + algorithm.dump() + " (known: \"" + PublicKeyPinningAlgorithm::RSA2048 + "\")";
    }

    const auto hashes = entry.find(Key::PublicKeyHashes);
    if (hashes == entry.end() || !hashes->is_array())
        return std::string("needs \"") + Key::PublicKeyHashes + "\" as a list";
    std::set<std::string> distinct;
    std::vector<std::string> ordered;
    for (const auto& hash : *hashes) {
        if (!hash.is_string() || !isKeyHash(hash.get<std::string>()))
            return "has the public-key hash " + hash.dump() + ", which is not the base64 text of a SHA-256 digest (44 characters, 32 bytes)";
        if (distinct.insert(hash.get<std::string>()).second)
            ordered.push_back(hash.get<std::string>());
    }
    if (distinct.size() < kMinimumHashes)
        return "has " + std::to_string(distinct.size()) + " different public-key hash(es); at least " + std::to_string(kMinimumHashes) +
               " are needed, so that a backup key can take over";

    pins.clear();
    if (!enforce->get<bool>())
        return {};
    for (const auto& hash : ordered)
        pins += (pins.empty() ? "sha256//" : ";sha256//") + hash;
    return {};
}

// An error text, or empty with `pinsByHost` filled in.
std::string readConfiguration(const nlohmann::json& configuration, std::map<std::string, std::string>& pinsByHost)
{
    if (!configuration.is_object())
        return "the configuration is not a dictionary";
    for (const auto& [key, value] : configuration.items()) {
        if (key != Key::SwizzleNetworkDelegates && key != Key::PinnedDomains)
            return "the configuration has the unsupported key \"" + key + "\"";
    }
    const auto swizzle = configuration.find(Key::SwizzleNetworkDelegates);
    if (swizzle != configuration.end() && !(swizzle->is_boolean() && swizzle->get<bool>()))
        return std::string("\"") + Key::SwizzleNetworkDelegates +
               "\" must be YES when given: the pins apply to every connection of the process, none can be left out";

    const auto domains = configuration.find(Key::PinnedDomains);
    if (domains == configuration.end() || !domains->is_object())
        return std::string("the configuration needs \"") + Key::PinnedDomains + "\" as a dictionary";
    std::set<std::string> seen;
    for (const auto& [name, entry] : domains->items()) {
        const std::string host = canonicalHost(name);
        if (!isHostName(host))
            return "the pinned domain \"" + name + "\" is not a host name";
        if (!seen.insert(host).second)
            return "the pinned domain \"" + name + "\" is given more than once";
        std::string pins;
        if (std::string fault = readDomain(name, entry, pins); !fault.empty())
            return "the pinned domain \"" + name + "\" " + fault;
        if (!pins.empty())
            pinsByHost.emplace(host, std::move(pins));
    }
    return {};
}

} // namespace

PublicKeyPinning::PublicKeyPinning(std::map<std::string, std::string> pinsByHost) : m_pinsByHost(std::move(pinsByHost)) {}

std::shared_ptr<NSError> PublicKeyPinning::initSharedInstanceWithConfiguration(const nlohmann::json& configuration)
{
    std::map<std::string, std::string> pinsByHost;
    if (const std::string fault = readConfiguration(configuration, pinsByHost); !fault.empty()) {
        const std::string description = "The pinning configuration was rejected: " + fault + ".";
        NSLog("PublicKeyPinning: %@ The pins in force stay as they were.", description);
        return NSError::errorWithDomain_code_userInfo(PublicKeyPinningErrorDomain, PublicKeyPinningErrorInvalidConfiguration,
                                                      {{NSLocalizedDescriptionKey, description}});
    }

    std::string hosts;
    for (const auto& [host, pins] : pinsByHost)
        hosts += (hosts.empty() ? "" : ", ") + host;
    NSLog("PublicKeyPinning: public keys pinned for %@", hosts.empty() ? std::string("no host") : hosts);

    auto instance = std::shared_ptr<const PublicKeyPinning>(new PublicKeyPinning(std::move(pinsByHost)));
    auto& state = shared();
    std::lock_guard lock(state.mutex);
    state.instance = std::move(instance);
    return nullptr;
}

void PublicKeyPinning::refuseHostsOfConfiguration(const nlohmann::json& configuration)
{
    // An empty pin list is met by no key: the transfer engine and the TLS check both refuse it.
    std::map<std::string, std::string> pinsByHost;
    std::string hosts;
    const auto domains = configuration.is_object() ? configuration.find(PublicKeyPinningConfigurationKey::PinnedDomains) : configuration.end();
    if (domains != configuration.end() && domains->is_object())
        for (const auto& [name, entry] : domains->items())
            if (const std::string host = canonicalHost(name); isHostName(host) && pinsByHost.emplace(host, std::string()).second)
                hosts += (hosts.empty() ? "" : ", ") + host;
    NSLog("PublicKeyPinning: connections refused for %@", hosts.empty() ? std::string("no host") : hosts);

    auto instance = std::shared_ptr<const PublicKeyPinning>(new PublicKeyPinning(std::move(pinsByHost)));
    auto& state = shared();
    std::lock_guard lock(state.mutex);
    state.instance = std::move(instance);
}

std::shared_ptr<const PublicKeyPinning> PublicKeyPinning::sharedInstance()
{
    auto& state = shared();
    std::lock_guard lock(state.mutex);
    return state.instance;
}

std::optional<std::string> PublicKeyPinning::pinnedPublicKeysForHost(const std::string& host) const
{
    const auto found = m_pinsByHost.find(canonicalHost(host));
    if (found == m_pinsByHost.end())
        return std::nullopt;
    return found->second;
}
