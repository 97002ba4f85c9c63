#pragma once
// A pair of libsrtp sessions for one association: one protects what we send with our key,
// the other checks and decrypts what the peer sends with its key, for RTP and RTCP alike.
// libsrtp keeps the replay windows. Not thread-safe: it lives on the media thread (tests may
// use it on their own).
#include <cstdint>
#include <memory>
#include <vector>

#include "MediaStack/Srtp/SrtpKeys.h"

namespace media {

enum class SrtpResult {
    Ok,
    Malformed, // too short or not RTP/RTCP as libsrtp reads it
    AuthenticationFailed,
    Replayed,
    Failed, // anything else libsrtp refuses
};

class SrtpSession {
public:
    // Null when libsrtp refuses the keys or the profile.
    static std::unique_ptr<SrtpSession> create(const SrtpKeys& keys);
    // Whether this libsrtp can run the profile (GCM needs its OpenSSL build).
    static bool supports(SrtpProfile profile);
    ~SrtpSession();

    // In place: protect appends the tag (and the SRTCP index), unprotect removes them.
    SrtpResult protectRtp(std::vector<uint8_t>& packet);
    SrtpResult protectRtcp(std::vector<uint8_t>& packet);
    SrtpResult unprotectRtp(std::vector<uint8_t>& packet);
    SrtpResult unprotectRtcp(std::vector<uint8_t>& packet);

private:
    struct Sessions;
    explicit SrtpSession(std::unique_ptr<Sessions> sessions);
    std::unique_ptr<Sessions> m_sessions;
};

} // namespace media
