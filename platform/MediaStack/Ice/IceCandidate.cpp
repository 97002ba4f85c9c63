#include "MediaStack/Ice/IceCandidate.h"

#include <arpa/inet.h>

#include "MediaStack/Sdp/CandidateLine.h"
#include "MediaStack/Sdp/SdpText.h"

namespace media {

std::optional<IceCandidate> IceCandidate::parse(const std::string& text)
{
    auto read = mediastack::sdp::CandidateLine::read(text);
    if (!read)
        return std::nullopt;
    IceCandidate candidate;
    candidate.m_candidate = std::move(*read);
    // The grammar reads the transport in any case; the line we pass on keeps it as its
    // writer spelt it ("UDP" from the ICE agent).
    const auto fields = mediastack::sdp::SdpText::split(std::string_view(text).substr(text.find(':') + 1));
    candidate.m_transportAsWritten = std::string(fields.at(2));
    return candidate;
}

std::string IceCandidate::line() const
{
    auto written = m_candidate;
    written.transport = m_transportAsWritten;
    return mediastack::sdp::CandidateLine::write(written);
}

void IceCandidate::setTypePreference(uint8_t typePreference)
{
    const uint32_t localPreference = (m_candidate.priority >> 8) & 0xffff;
    m_candidate.priority = (uint32_t(typePreference) << 24) | (localPreference << 8) | (256 - m_candidate.component);
}

bool IceCandidate::hasPrivateAddress() const
{
    in_addr v4 {};
    if (inet_pton(AF_INET, m_candidate.address.c_str(), &v4) == 1) {
        const auto* b = reinterpret_cast<const uint8_t*>(&v4.s_addr);
        return b[0] == 10 || (b[0] == 172 && (b[1] & 0xf0) == 16) || (b[0] == 192 && b[1] == 168)
            || (b[0] == 169 && b[1] == 254);
    }
    in6_addr v6 {};
    if (inet_pton(AF_INET6, m_candidate.address.c_str(), &v6) == 1)
        return (v6.s6_addr[0] & 0xfe) == 0xfc || (v6.s6_addr[0] == 0xfe && (v6.s6_addr[1] & 0xc0) == 0x80);
    return false;
}

} // namespace media
