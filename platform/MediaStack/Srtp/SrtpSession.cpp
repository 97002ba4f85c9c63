#include "MediaStack/Srtp/SrtpSession.h"

#include <cstring>
#include <mutex>
#include <optional>

#include <srtp2/srtp.h>

#include "MediaStack/MediaStackLog.h"

namespace media {

namespace {

constexpr size_t kRtpHeaderLength = 12;
constexpr size_t kRtcpHeaderLength = 8;
// Video bursts after a loss arrive far out of order; libsrtp's default window is 128.
constexpr unsigned long kReplayWindow = 1024;

struct SessionDeleter {
    void operator()(srtp_ctx_t* session) const { srtp_dealloc(session); }
};
using SessionPtr = std::unique_ptr<srtp_ctx_t, SessionDeleter>;

bool initialise()
{
    // libsrtp's global state lives for the process; it is never shut down.
    static const bool ready = [] {
        srtp_err_status_t status = srtp_init();
        if (status != srtp_err_status_ok)
            MediaStackLog::error("SRTP: libsrtp does not start (" + std::to_string(status) + ")");
        return status == srtp_err_status_ok;
    }();
    return ready;
}

// The fixed header, the CSRCs and a header extension must all fit: libsrtp reads them.
bool rtpHeaderFits(const std::vector<uint8_t>& packet)
{
    if (packet.size() < kRtpHeaderLength || (packet[0] >> 6) != 2)
        return false;
    size_t length = kRtpHeaderLength + 4 * size_t(packet[0] & 0x0f);
    if (packet[0] & 0x10) {
        if (packet.size() < length + 4)
            return false;
        length += 4 + 4 * ((size_t(packet[length + 2]) << 8) | packet[length + 3]);
    }
    return packet.size() >= length;
}

bool rtcpHeaderFits(const std::vector<uint8_t>& packet)
{
    return packet.size() >= kRtcpHeaderLength && (packet[0] >> 6) == 2;
}

SrtpResult resultOf(srtp_err_status_t status)
{
    switch (status) {
    case srtp_err_status_ok:
        return SrtpResult::Ok;
    case srtp_err_status_auth_fail:
        return SrtpResult::AuthenticationFailed;
    case srtp_err_status_replay_fail:
    case srtp_err_status_replay_old:
        return SrtpResult::Replayed;
    case srtp_err_status_bad_param:
    case srtp_err_status_parse_err:
        return SrtpResult::Malformed;
    default:
        return SrtpResult::Failed;
    }
}

bool setCryptoPolicy(SrtpProfile profile, srtp_policy_t& policy)
{
    switch (profile) {
    case SrtpProfile::Aes128CmSha1_80:
        srtp_crypto_policy_set_aes_cm_128_hmac_sha1_80(&policy.rtp);
        srtp_crypto_policy_set_aes_cm_128_hmac_sha1_80(&policy.rtcp);
        return true;
    case SrtpProfile::AeadAes128Gcm:
        srtp_crypto_policy_set_aes_gcm_128_16_auth(&policy.rtp);
        srtp_crypto_policy_set_aes_gcm_128_16_auth(&policy.rtcp);
        return true;
    }
    return false;
}

SessionPtr makeSession(SrtpProfile profile, const std::vector<uint8_t>& master, srtp_ssrc_type_t direction)
{
    if (!initialise() || master.size() != profileInfo(profile).masterLength())
        return nullptr;
    srtp_policy_t policy;
    std::memset(&policy, 0, sizeof policy);
    if (!setCryptoPolicy(profile, policy))
        return nullptr;
    std::vector<uint8_t> key = master; // libsrtp takes a mutable pointer
    policy.ssrc.type = direction;
    policy.key = key.data();
    policy.window_size = kReplayWindow;
    // A NACKed packet is sent again with its own sequence number.
    policy.allow_repeat_tx = 1;
    srtp_t session = nullptr;
    if (srtp_create(&session, &policy) != srtp_err_status_ok)
        return nullptr;
    return SessionPtr(session);
}

template<typename Operation>
SrtpResult transform(srtp_ctx_t* session, std::vector<uint8_t>& packet, size_t room, Operation operation)
{
    const size_t original = packet.size();
    packet.resize(original + room);
    int length = static_cast<int>(original);
    auto status = operation(session, packet.data(), &length);
    packet.resize(status == srtp_err_status_ok ? static_cast<size_t>(length) : original);
    return resultOf(status);
}

} // namespace

struct SrtpSession::Sessions {
    SessionPtr outbound;
    SessionPtr inbound;
};

std::unique_ptr<SrtpSession> SrtpSession::create(const SrtpKeys& keys)
{
    auto sessions = std::make_unique<Sessions>();
    sessions->outbound = makeSession(keys.profile, keys.local, ssrc_any_outbound);
    sessions->inbound = makeSession(keys.profile, keys.remote, ssrc_any_inbound);
    if (!sessions->outbound || !sessions->inbound)
        return nullptr;
    return std::unique_ptr<SrtpSession>(new SrtpSession(std::move(sessions)));
}

bool SrtpSession::supports(SrtpProfile profile)
{
    std::vector<uint8_t> zeros(profileInfo(profile).masterLength(), 0);
    return makeSession(profile, zeros, ssrc_any_outbound) != nullptr;
}

SrtpSession::SrtpSession(std::unique_ptr<Sessions> sessions) : m_sessions(std::move(sessions)) {}

SrtpSession::~SrtpSession() = default;

SrtpResult SrtpSession::protectRtp(std::vector<uint8_t>& packet)
{
    if (!rtpHeaderFits(packet))
        return SrtpResult::Malformed;
    return transform(m_sessions->outbound.get(), packet, SRTP_MAX_TRAILER_LEN, srtp_protect);
}

SrtpResult SrtpSession::protectRtcp(std::vector<uint8_t>& packet)
{
    if (!rtcpHeaderFits(packet))
        return SrtpResult::Malformed;
    return transform(m_sessions->outbound.get(), packet, SRTP_MAX_TRAILER_LEN + 4, srtp_protect_rtcp);
}

SrtpResult SrtpSession::unprotectRtp(std::vector<uint8_t>& packet)
{
    if (!rtpHeaderFits(packet))
        return SrtpResult::Malformed;
    return transform(m_sessions->inbound.get(), packet, 0, srtp_unprotect);
}

SrtpResult SrtpSession::unprotectRtcp(std::vector<uint8_t>& packet)
{
    if (!rtcpHeaderFits(packet))
        return SrtpResult::Malformed;
    return transform(m_sessions->inbound.get(), packet, 0, srtp_unprotect_rtcp);
}

} // namespace media
