#include "Private/Helper/KVNServer.h"

#include <array>

#include "public/KavoniSettings.h"

namespace {

struct Endpoints {
    const char* api;
    const char* web;
    const char* video;
    const char* stun; // the bare host of `video`
};

// Environments 0 to 7. Development is the simulated service on this machine; the others are
// hosts of our own under a reserved test domain.
constexpr std::array<Endpoints, 8> kEndpoints = {{
    /* 0: as development */ {"https://localhost:47443", "https://localhost:47443", "https://localhost:47443", "localhost"},
    /* 1: development */ {"https://localhost:47443", "https://localhost:47443", "https://localhost:47443", "localhost"},
    /* 2: test */ {"https://api.tst.kavoni.example", "https://web.tst.kavoni.example", "https://video.tst.kavoni.example", "video.tst.kavoni.example"},
    /* 3: test 1 */ {"https://api.ts1.kavoni.example", "https://web.ts1.kavoni.example", "https://video.ts1.kavoni.example", "video.ts1.kavoni.example"},
    /* 4: test 2 */ {"https://api.ts2.kavoni.example", "https://web.ts2.kavoni.example", "https://video.ts2.kavoni.example", "video.ts2.kavoni.example"},
    /* 5: test 3 */ {"https://api.ts3.kavoni.example", "https://web.ts3.kavoni.example", "https://video.ts3.kavoni.example", "video.ts3.kavoni.example"},
    /* 6: production */ {"https://api.kavoni.example", "https://web.kavoni.example", "https://video.kavoni.example", "video.kavoni.example"},
    /* 7: second production deployment */ {"https://api.int.kavoni.example", "https://web.int.kavoni.example", "https://video.int.kavoni.example", "video.int.kavoni.example"},
}};

constexpr long kCustomEnvironment = 8;
constexpr long kDefaultStunPort = 3478;

const Endpoints* fixedEndpoints(long environment)
{
    if (environment < 0 || environment >= static_cast<long>(kEndpoints.size()))
        return nullptr;
    return &kEndpoints[static_cast<size_t>(environment)];
}

long environmentOfToken(const std::optional<std::string>& token)
{
    // Tested in this order, case-sensitively; the first match wins.
    static const std::pair<const char*, long> prefixes[] = {
        {"DEV", 1}, {"TST", 2}, {"TS1", 3}, {"TS2", 4}, {"TS3", 5}, {"INT", 7},
    };
    if (token)
        for (const auto& [prefix, environment] : prefixes)
            if (token->starts_with(prefix))
                return environment;
    return 6;
}

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// The formatter's text for a nil value.
const std::string kNil = "(null)";

} // namespace

void KVNServer::setSettings(std::shared_ptr<KavoniSettings> settings)
{
    m_settings = std::move(settings);
    if (!m_settings)
        return;
    m_environment = m_settings->environment() != 0 ? m_settings->environment()
                                                   : environmentOfToken(m_settings->transactionToken());
}

std::optional<std::string> KVNServer::API_URL() const
{
    if (const auto* endpoints = fixedEndpoints(m_environment))
        return endpoints->api;
    if (m_environment == kCustomEnvironment && m_settings)
        return m_settings->apiHost();
    return std::nullopt;
}

std::optional<std::string> KVNServer::HOST_URL() const
{
    if (const auto* endpoints = fixedEndpoints(m_environment))
        return endpoints->web;
    if (m_environment == kCustomEnvironment && m_settings)
        return m_settings->apiHost();
    return std::nullopt;
}

std::optional<std::string> KVNServer::eventChannelBase() const
{
    if (const auto* endpoints = fixedEndpoints(m_environment))
        return endpoints->api;
    if (m_environment == kCustomEnvironment && m_settings)
        return m_settings->websocketHost();
    return std::nullopt;
}

std::optional<std::string> KVNServer::videoServerAddress() const
{
    if (const auto* endpoints = fixedEndpoints(m_environment))
        return endpoints->video;
    if (m_environment == kCustomEnvironment && m_settings)
        return m_settings->videoHost();
    return std::nullopt;
}

std::optional<std::string> KVNServer::stunHost() const
{
    if (const auto* endpoints = fixedEndpoints(m_environment))
        return endpoints->stun;
    if (m_environment == kCustomEnvironment && m_settings)
        return m_settings->stunHost();
    return std::nullopt;
}

long KVNServer::stunPort() const
{
    if (m_environment == kCustomEnvironment && m_settings)
        return m_settings->stunPort();
    return kDefaultStunPort;
}

std::string KVNServer::tokenSegment() const
{
    if (!m_settings || !m_settings->transactionToken())
        return kNil;
    return percentEncodedPathSegment(*m_settings->transactionToken());
}

std::string KVNServer::shortNameSegment() const
{
    return m_shortName ? percentEncodedPathSegment(*m_shortName) : kNil;
}

std::optional<std::string> KVNServer::APIURLWithIdentifier(const std::optional<std::string>& identifier) const
{
    auto base = API_URL();
    if (!base)
        return std::nullopt;
    return *base + "/api/v1/" + (identifier ? percentEncodedPathSegment(*identifier) : kNil);
}

std::optional<std::string> KVNServer::APIURLWithLastPathComponent(const std::optional<std::string>& lastPathComponent) const
{
    auto base = API_URL();
    if (!base)
        return std::nullopt;
    std::string url = *base + "/api/v1/" + shortNameSegment() + "/identifications/" + tokenSegment();
    if (lastPathComponent)
        url += "/" + *lastPathComponent;
    return url;
}

std::optional<std::string> KVNServer::messagesURL() const
{
    auto base = HOST_URL();
    if (!base)
        return std::nullopt;
    return *base + "/assets/messages.json?shortName=" + shortNameSegment();
}

std::optional<std::string> KVNServer::webSocketURL() const
{
    auto base = eventChannelBase();
    if (!base)
        return std::nullopt;
    return *base + "/api/v1/identifications/" + tokenSegment() + "/websocket";
}

std::string KVNServer::percentEncodedPathSegment(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    // "." and ".." are path steps, not names, even though a dot is unreserved.
    const bool dotsOnly = !text.empty() && text.find_first_not_of('.') == std::string::npos;
    std::string encoded;
    encoded.reserve(text.size());
    for (unsigned char c : text) {
        if (isUnreserved(c) && !(dotsOnly && c == '.')) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 0x0F];
        }
    }
    return encoded;
}
