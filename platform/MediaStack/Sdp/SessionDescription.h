#pragma once
// An SDP offer or answer (RFC 8866, RFC 8829) as the stack reads and writes it: the session
// and its media sections with the attributes a BUNDLE call of one audio and one video
// section needs. Transport attributes (ICE credentials, fingerprint, setup) live on each
// section; the reader copies session-level ones down to sections that have none.
// Plain records.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MediaStack/Sdp/IceCandidate.h"

namespace mediastack::sdp {

enum class DtlsSetup { ActPass, Active, Passive };
enum class MediaDirection { SendRecv, SendOnly, RecvOnly, Inactive };

struct SdpFingerprint {
    // Lower case, as "sha-256".
    std::string algorithm;
    std::vector<uint8_t> digest;

    bool operator==(const SdpFingerprint&) const = default;
};

struct SdpCodec {
    uint8_t payloadType = 0;
    std::string name;
    uint32_t clockRate = 0;
    // 0 when the rtpmap gives none (one channel).
    uint32_t channels = 0;
    std::string formatParameters;
    // rtcp-fb values for this payload type, as "nack", "nack pli".
    std::vector<std::string> feedback;

    bool operator==(const SdpCodec&) const = default;
};

struct SdpHeaderExtension {
    uint16_t id = 0;
    std::string uri;

    bool operator==(const SdpHeaderExtension&) const = default;
};

struct SdpSource {
    uint32_t ssrc = 0;
    std::string cname;

    bool operator==(const SdpSource&) const = default;
};

struct SdpMedia {
    // "audio", "video", or another kind the stack rejects.
    std::string kind;
    // 0 in an answer: the section is rejected.
    uint16_t port = 9;
    std::string protocol = "UDP/TLS/RTP/SAVPF";
    // The m-line's formats as written, for sections that are not RTP.
    std::vector<std::string> formats;
    std::string mid;
    MediaDirection direction = MediaDirection::SendRecv;
    std::vector<SdpCodec> codecs;
    std::vector<SdpHeaderExtension> headerExtensions;
    std::vector<SdpSource> sources;
    std::string streamId;
    std::string trackId;
    bool rtcpMux = false;
    bool rtcpReducedSize = false;
    std::string iceUfrag;
    std::string icePwd;
    std::optional<SdpFingerprint> fingerprint;
    std::optional<DtlsSetup> setup;
    std::vector<IceCandidate> candidates;
    bool endOfCandidates = false;

    bool operator==(const SdpMedia&) const = default;
};

struct SessionDescription {
    uint64_t sessionId = 0;
    uint64_t sessionVersion = 0;
    // Mids of the BUNDLE group; empty when not bundled.
    std::vector<std::string> bundle;
    // Session-level "a=ice-options", e.g. "trickle".
    std::vector<std::string> iceOptions;
    std::vector<SdpMedia> media;

    bool operator==(const SessionDescription&) const = default;
};

}
