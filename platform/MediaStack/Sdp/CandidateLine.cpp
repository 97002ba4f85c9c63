#include "MediaStack/Sdp/CandidateLine.h"

#include <algorithm>
#include <array>

#include "MediaStack/Sdp/SdpText.h"

namespace mediastack::sdp {

namespace {

constexpr std::array<std::pair<CandidateType, std::string_view>, 4> kTypes { {
    { CandidateType::Host, "host" },
    { CandidateType::ServerReflexive, "srflx" },
    { CandidateType::PeerReflexive, "prflx" },
    { CandidateType::Relay, "relay" },
} };

// RFC 8839: foundation is 1 to 32 ice-chars (ALPHA / DIGIT / "+" / "/").
bool isFoundation(std::string_view text)
{
    return !text.empty() && text.size() <= 32 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
    });
}

// An IPv4 or IPv6 literal or an FQDN (an mDNS name among them); nothing that could break a line.
bool isAddress(std::string_view text)
{
    return !text.empty() && text.size() <= 255 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == ':' || c == '-' || c == '%';
    });
}

std::optional<uint16_t> port(std::string_view text)
{
    auto value = SdpText::number(text, 65535);
    return value ? std::optional<uint16_t>(static_cast<uint16_t>(*value)) : std::nullopt;
}

}

std::optional<IceCandidate> CandidateLine::read(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    if (text.starts_with("a=")) {
        text.remove_prefix(2);
    }
    constexpr std::string_view prefix = "candidate:";
    const bool control = std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    if (control || !text.starts_with(prefix)) {
        return std::nullopt;
    }
    const auto fields = SdpText::split(text.substr(prefix.size()));
    if (fields.size() < 8 || fields[6] != "typ" || (fields.size() - 8) % 2 != 0) {
        return std::nullopt;
    }
    IceCandidate candidate;
    const auto component = SdpText::number(fields[1], 256);
    const auto priority = SdpText::number(fields[3], UINT32_MAX);
    const auto candidatePort = port(fields[5]);
    if (!isFoundation(fields[0]) || !component || *component == 0 || !priority || !isAddress(fields[4]) || !candidatePort) {
        return std::nullopt;
    }
    candidate.foundation = std::string(fields[0]);
    candidate.component = static_cast<uint32_t>(*component);
    candidate.transport.clear();
    std::transform(fields[2].begin(), fields[2].end(), std::back_inserter(candidate.transport), SdpText::lower);
    if (candidate.transport != "udp" && candidate.transport != "tcp") {
        return std::nullopt;
    }
    candidate.priority = static_cast<uint32_t>(*priority);
    candidate.address = std::string(fields[4]);
    candidate.port = *candidatePort;
    const auto type = std::find_if(kTypes.begin(), kTypes.end(), [&](const auto& t) { return t.second == fields[7]; });
    if (type == kTypes.end()) {
        return std::nullopt;
    }
    candidate.type = type->first;

    for (size_t i = 8; i + 1 < fields.size(); i += 2) {
        const auto name = fields[i];
        const auto value = fields[i + 1];
        if (name == "raddr") {
            if (!isAddress(value)) {
                return std::nullopt;
            }
            candidate.relatedAddress = std::string(value);
        } else if (name == "rport") {
            candidate.relatedPort = port(value);
            if (!candidate.relatedPort) {
                return std::nullopt;
            }
        } else if (name == "tcptype") {
            candidate.tcpType = std::string(value);
        } else {
            candidate.extensions.emplace_back(std::string(name), std::string(value));
        }
    }
    return candidate;
}

std::string CandidateLine::write(const IceCandidate& candidate)
{
    std::string out = "candidate:" + candidate.foundation + " " + std::to_string(candidate.component) + " " + candidate.transport + " "
        + std::to_string(candidate.priority) + " " + candidate.address + " " + std::to_string(candidate.port) + " typ ";
    for (const auto& [type, name] : kTypes) {
        if (type == candidate.type) {
            out += name;
        }
    }
    if (candidate.relatedAddress) {
        out += " raddr " + *candidate.relatedAddress;
    }
    if (candidate.relatedPort) {
        out += " rport " + std::to_string(*candidate.relatedPort);
    }
    if (candidate.tcpType) {
        out += " tcptype " + *candidate.tcpType;
    }
    for (const auto& [name, value] : candidate.extensions) {
        out += " " + name + " " + value;
    }
    return out;
}

}
