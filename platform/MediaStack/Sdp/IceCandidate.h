#pragma once
// One ICE candidate as SDP carries it (RFC 8839 section 5.1): a transport address of one side
// with its type and priority. Attributes after the fixed fields that the stack does not use
// (generation, ufrag, network-id ...) are kept in order so that a line reads back as written.
// A plain record.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mediastack::sdp {

enum class CandidateType { Host, ServerReflexive, PeerReflexive, Relay };

struct IceCandidate {
    std::string foundation;
    uint32_t component = 1;
    // Lower case: "udp" or "tcp".
    std::string transport = "udp";
    uint32_t priority = 0;
    std::string address;
    uint16_t port = 0;
    CandidateType type = CandidateType::Host;
    std::optional<std::string> relatedAddress;
    std::optional<uint16_t> relatedPort;
    std::optional<std::string> tcpType;
    std::vector<std::pair<std::string, std::string>> extensions;

    bool operator==(const IceCandidate&) const = default;
};

}
