#include "MediaStack/Ice/IceCandidate.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstring>
#include <sstream>

namespace media {

namespace {

template<typename T>
bool readNumber(const std::string& word, T& value)
{
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size();
}

std::optional<CandidateType> readType(const std::string& word)
{
    if (word == "host")
        return CandidateType::Host;
    if (word == "srflx")
        return CandidateType::ServerReflexive;
    if (word == "prflx")
        return CandidateType::PeerReflexive;
    if (word == "relay")
        return CandidateType::Relay;
    return std::nullopt;
}

const char* typeName(CandidateType type)
{
    switch (type) {
    case CandidateType::Host:
        return "host";
    case CandidateType::ServerReflexive:
        return "srflx";
    case CandidateType::PeerReflexive:
        return "prflx";
    case CandidateType::Relay:
        return "relay";
    }
    return "host";
}

} // namespace

std::optional<IceCandidate> IceCandidate::parse(const std::string& text)
{
    std::string_view line(text);
    if (line.starts_with("a="))
        line.remove_prefix(2);
    if (!line.starts_with("candidate:"))
        return std::nullopt;
    line.remove_prefix(std::strlen("candidate:"));
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);

    std::istringstream words{std::string(line)};
    std::vector<std::string> fields;
    for (std::string word; words >> word;)
        fields.push_back(word);
    if (fields.size() < 8 || fields[6] != "typ")
        return std::nullopt;

    IceCandidate candidate;
    candidate.m_foundation = fields[0];
    candidate.m_transport = fields[2];
    candidate.m_address = fields[4];
    auto type = readType(fields[7]);
    if (candidate.m_foundation.empty() || candidate.m_foundation.size() > 32 || !type
        || !readNumber(fields[1], candidate.m_component) || candidate.m_component < 1 || candidate.m_component > 256
        || !readNumber(fields[3], candidate.m_priority) || !readNumber(fields[5], candidate.m_port))
        return std::nullopt;
    candidate.m_type = *type;
    candidate.m_extensions.assign(fields.begin() + 8, fields.end());
    return candidate;
}

std::string IceCandidate::line() const
{
    std::string text = "candidate:" + m_foundation + " " + std::to_string(m_component) + " " + m_transport + " "
                     + std::to_string(m_priority) + " " + m_address + " " + std::to_string(m_port) + " typ "
                     + typeName(m_type);
    for (const auto& word : m_extensions)
        text += " " + word;
    return text;
}

void IceCandidate::setTypePreference(uint8_t typePreference)
{
    const uint32_t localPreference = (m_priority >> 8) & 0xffff;
    m_priority = (uint32_t(typePreference) << 24) | (localPreference << 8) | (256 - m_component);
}

bool IceCandidate::hasPrivateAddress() const
{
    in_addr v4 {};
    if (inet_pton(AF_INET, m_address.c_str(), &v4) == 1) {
        const auto* b = reinterpret_cast<const uint8_t*>(&v4.s_addr);
        return b[0] == 10 || (b[0] == 172 && (b[1] & 0xf0) == 16) || (b[0] == 192 && b[1] == 168)
            || (b[0] == 169 && b[1] == 254);
    }
    in6_addr v6 {};
    if (inet_pton(AF_INET6, m_address.c_str(), &v6) == 1)
        return (v6.s6_addr[0] & 0xfe) == 0xfc || (v6.s6_addr[0] == 0xfe && (v6.s6_addr[1] & 0xc0) == 0x80);
    return false;
}

} // namespace media
