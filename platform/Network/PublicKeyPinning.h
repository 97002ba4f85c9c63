#pragma once
// TLS public-key pinning for the whole process. The app hands over one configuration at launch
// (a dictionary: the pinned domains, each with its enforcement flag, key algorithms and the
// base64 SHA-256 digests of the hosts' SubjectPublicKeyInfo); from then on every TLS connection
// of the process to a pinned host (HTTP through libcurl's pinned public keys, set for each hop
// of a redirected transfer, and HTTPTrust's check by server name; WebSocket through its own
// OpenSSL check) is refused unless the server's key is one of the host's pins. Every one of them asks
// HTTPTrust::pinnedPublicKeysForHost, which reads the shared instance here.
//
// Host names match exactly and case-insensitively; subdomains are never included. A domain
// whose enforcement is off is not pinned at all. The pins are on top of the normal certificate
// checks, never in place of them.
//
// A configuration is checked whole before anything of it is used; a bad one is rejected (the
// returned error, also logged) and changes nothing: no domain of it is pinned with part of its
// keys, or silently with none. Rules:
//   - top level: "pinnedDomains" (a dictionary, required; empty pins nothing) and
//     "swizzleNetworkDelegates" (optional; must be YES: the pins always apply to every
//     connection of the process, there is no way to leave some out);
//   - per domain (a host name of letters, digits, '.', '-', '_', or an IPv6 address; one entry
//     per name, whatever its case): "enforcePinning" (a flag, required), "publicKeyAlgorithms"
//     (a non-empty list of known algorithms, required), "publicKeyHashes" (required; each 44
//     characters of base64 of 32 bytes; at least two different ones, so that a backup key
//     exists when the live one must be replaced);
//   - any other key is an error: subdomains and failure reports are not supported, and a
//     misspelt key must not pass unnoticed.
// The algorithm list is checked but not matched against the server: the digest covers the
// whole SubjectPublicKeyInfo, which already fixes the key's algorithm and size.
//
// Each accepted configuration replaces the previous one as a whole. An instance is immutable;
// any thread.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "Foundation/NSError.h"

// The keys of the configuration dictionary.
namespace PublicKeyPinningConfigurationKey {
inline constexpr char SwizzleNetworkDelegates[] = "swizzleNetworkDelegates";
inline constexpr char PinnedDomains[] = "pinnedDomains";
inline constexpr char EnforcePinning[] = "enforcePinning";
inline constexpr char PublicKeyAlgorithms[] = "publicKeyAlgorithms";
inline constexpr char PublicKeyHashes[] = "publicKeyHashes";
} // namespace PublicKeyPinningConfigurationKey

// The values of "publicKeyAlgorithms".
namespace PublicKeyPinningAlgorithm {
inline constexpr char RSA2048[] = "RSA2048";
} // namespace PublicKeyPinningAlgorithm

extern const std::string PublicKeyPinningErrorDomain;

enum PublicKeyPinningErrorCode : long {
    PublicKeyPinningErrorInvalidConfiguration = 1, // the description says which key of which domain
};

class PublicKeyPinning {
public:
    // Checks the configuration and, when it holds, makes it the shared instance. Returns
    // nullptr then; otherwise the error (PublicKeyPinningErrorInvalidConfiguration, its
    // description naming the fault), which is also logged, and the shared instance stays as it was.
    static std::shared_ptr<NSError> initSharedInstanceWithConfiguration(const nlohmann::json& configuration);

    // After a rejection: every host the rejected configuration names (as far as its names read
    // as host names) is pinned to no key at all, so its connections are refused rather than
    // left with whatever pins were in force. Other hosts are not pinned.
    static void refuseHostsOfConfiguration(const nlohmann::json& configuration);

    // The configuration in force; nullptr until one was accepted.
    static std::shared_ptr<const PublicKeyPinning> sharedInstance();

    // The pins of a host in the form CURLOPT_PINNEDPUBLICKEY takes ("sha256//<hash>;sha256//<hash>..."),
    // or nullopt when the host is not pinned (not configured, or its enforcement is off).
    // The host as a URL names it: any case, an IPv6 address in brackets or not, a final dot or not.
    std::optional<std::string> pinnedPublicKeysForHost(const std::string& host) const;

private:
    explicit PublicKeyPinning(std::map<std::string, std::string> pinsByHost);

    const std::map<std::string, std::string> m_pinsByHost; // lower-case host -> pins, enforced hosts only
};
