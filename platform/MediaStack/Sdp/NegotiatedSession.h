#pragma once
// What an offer and its answer agreed on, as the transports and streams below need it: the
// far side's ICE credentials, candidates and certificate fingerprint, our DTLS role, and per
// stream the codec, the far side's source and the feedback both sides do. A plain record.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MediaStack/Sdp/SessionDescription.h"

namespace mediastack::sdp {

struct NegotiatedSession {
    struct Media {
        std::string mid;
        SdpCodec codec;
        MediaDirection direction = MediaDirection::SendRecv;
        std::optional<uint32_t> remoteSsrc;
        bool nack = false;
        bool pli = false;
        bool remb = false;
        std::vector<SdpHeaderExtension> headerExtensions;
    };

    std::string remoteIceUfrag;
    std::string remoteIcePwd;
    SdpFingerprint remoteFingerprint;
    // True when we open the DTLS handshake (our setup is active).
    bool dtlsClient = false;
    std::vector<IceCandidate> remoteCandidates;
    bool remoteCandidatesComplete = false;
    std::optional<Media> audio;
    std::optional<Media> video;
};

}
