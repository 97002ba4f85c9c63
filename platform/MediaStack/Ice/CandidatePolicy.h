#pragma once
// What our side does to candidate lines that libnice cannot be told: the type preferences of
// the priorities we announce, and the kinds of candidate we neither announce nor accept.
// The type preferences are process-wide (the call handler sets them for every call); a
// transport copies the policy when it is made. Value type; the process-wide copy is safe to
// read and set from any thread.
#include <cstdint>
#include <optional>
#include <string>

namespace media {

struct CandidateTypePreferences {
    uint8_t host = 126;
    uint8_t peerReflexive = 110;
    uint8_t serverReflexive = 100;
    uint8_t relay = 0;

    static CandidateTypePreferences processWide();
    static void setProcessWide(CandidateTypePreferences preferences);
};

struct CandidatePolicy {
    CandidateTypePreferences typePreferences = CandidateTypePreferences::processWide();
    bool suppressPrivate = false;
    bool suppressRelay = false;

    // The line to announce, with our type preference in its priority; none when suppressed
    // or unreadable.
    std::optional<std::string> localLine(const std::string& line) const;
    // Whether a peer's line may be used; unreadable lines may not.
    bool acceptsRemote(const std::string& line) const;
};

} // namespace media
