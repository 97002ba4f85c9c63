#pragma once
// One ICE candidate as an SDP line carries it (RFC 8839): "candidate:<foundation>
// <component> <transport> <priority> <address> <port> typ <type> ...". Our side reads the
// lines it sends and the lines it accepts, to filter them and to set the type preference of
// their priority. The text is read and written by the stack's one candidate grammar
// (Sdp/CandidateLine), so a line the policy passes is one the SDP reader takes, and the
// reverse. Value type; any thread.
#include <cstdint>
#include <optional>
#include <string>

#include "MediaStack/Sdp/IceCandidate.h"

namespace media {

using CandidateType = mediastack::sdp::CandidateType;

class IceCandidate {
public:
    // Reads "candidate:..." with or without a leading "a="; none when a field is missing or
    // out of range.
    static std::optional<IceCandidate> parse(const std::string& line);
    // "candidate:..." with every field read, the extensions kept in their order.
    std::string line() const;

    const std::string& foundation() const { return m_candidate.foundation; }
    unsigned component() const { return m_candidate.component; }
    // Lower case.
    const std::string& transport() const { return m_candidate.transport; }
    uint32_t priority() const { return m_candidate.priority; }
    const std::string& address() const { return m_candidate.address; }
    uint16_t port() const { return m_candidate.port; }
    CandidateType type() const { return m_candidate.type; }

    // RFC 8445 5.1.2.1: type preference above local preference above component.
    void setTypePreference(uint8_t typePreference);
    // An address of a private or link-local range (RFC 1918, RFC 4193, RFC 3927, fe80::/10).
    bool hasPrivateAddress() const;

private:
    mediastack::sdp::IceCandidate m_candidate;
    std::string m_transportAsWritten;
};

} // namespace media
