#include "MediaStack/Ice/CandidatePolicy.h"

#include <mutex>

#include "MediaStack/Ice/IceCandidate.h"

namespace media {

namespace {

std::mutex g_preferencesMutex;
CandidateTypePreferences g_preferences;

bool suppressed(const CandidatePolicy& policy, const IceCandidate& candidate)
{
    return (policy.suppressRelay && candidate.type() == CandidateType::Relay)
        || (policy.suppressPrivate && candidate.hasPrivateAddress());
}

} // namespace

CandidateTypePreferences CandidateTypePreferences::processWide()
{
    std::lock_guard lock(g_preferencesMutex);
    return g_preferences;
}

void CandidateTypePreferences::setProcessWide(CandidateTypePreferences preferences)
{
    std::lock_guard lock(g_preferencesMutex);
    g_preferences = preferences;
}

std::optional<std::string> CandidatePolicy::localLine(const std::string& line) const
{
    auto candidate = IceCandidate::parse(line);
    if (!candidate || suppressed(*this, *candidate))
        return std::nullopt;
    switch (candidate->type()) {
    case CandidateType::Host:
        candidate->setTypePreference(typePreferences.host);
        break;
    case CandidateType::ServerReflexive:
        candidate->setTypePreference(typePreferences.serverReflexive);
        break;
    case CandidateType::PeerReflexive:
        candidate->setTypePreference(typePreferences.peerReflexive);
        break;
    case CandidateType::Relay:
        candidate->setTypePreference(typePreferences.relay);
        break;
    }
    return candidate->line();
}

bool CandidatePolicy::acceptsRemote(const std::string& line) const
{
    auto candidate = IceCandidate::parse(line);
    return candidate && !suppressed(*this, *candidate);
}

} // namespace media
