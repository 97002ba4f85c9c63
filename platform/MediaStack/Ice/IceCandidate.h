#pragma once
// One ICE candidate as an SDP line carries it (RFC 8839): "candidate:<foundation>
// <component> <transport> <priority> <address> <port> typ <type> ...". Our side reads the
// lines it sends and the lines it accepts, to filter them and to set the type preference of
// their priority. Value type; any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace media {

enum class CandidateType {
    Host,
    ServerReflexive,
    PeerReflexive,
    Relay,
};

class IceCandidate {
public:
    // Reads "candidate:..." with or without a leading "a="; none when a field is missing or
    // out of range.
    static std::optional<IceCandidate> parse(const std::string& line);
    // "candidate:..." with every field read, the extensions kept as they came.
    std::string line() const;

    const std::string& foundation() const { return m_foundation; }
    unsigned component() const { return m_component; }
    const std::string& transport() const { return m_transport; }
    uint32_t priority() const { return m_priority; }
    const std::string& address() const { return m_address; }
    uint16_t port() const { return m_port; }
    CandidateType type() const { return m_type; }

    // RFC 8445 5.1.2.1: type preference above local preference above component.
    void setTypePreference(uint8_t typePreference);
    // An address of a private or link-local range (RFC 1918, RFC 4193, RFC 3927, fe80::/10).
    bool hasPrivateAddress() const;

private:
    std::string m_foundation;
    unsigned m_component = 0;
    std::string m_transport;
    uint32_t m_priority = 0;
    std::string m_address;
    uint16_t m_port = 0;
    CandidateType m_type = CandidateType::Host;
    std::vector<std::string> m_extensions; // everything after the type, as pairs of words
};

} // namespace media
