#pragma once
// What our side puts into an offer or answer: ICE credentials and gathered candidates, the
// fingerprint of our DTLS certificate, our sources, the codecs registered with the stream
// descriptions, and the header extensions we would send. A plain record.
#include <cstdint>
#include <string>
#include <vector>

#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/Sdp/SessionDescription.h"

namespace mediastack::sdp {

struct SdpLocalParameters {
    uint64_t sessionId = 0;
    uint64_t sessionVersion = 1;
    std::string iceUfrag;
    std::string icePwd;
    SdpFingerprint fingerprint;
    std::string cname;
    std::string streamId;
    uint32_t audioSsrc = 0;
    uint32_t videoSsrc = 0;
    std::vector<IceCandidate> candidates;
    bool candidatesComplete = false;
    // Candidates may follow the description ("a=ice-options:trickle").
    bool trickle = false;
    std::vector<AudioStreamDescription::RegisteredCodec> audioCodecs;
    std::vector<std::string> videoCodecs;
    // Extension URIs per kind; ids are given out so that one id means one URI in the bundle.
    std::vector<std::string> audioExtensions;
    std::vector<std::string> videoExtensions;
};

}
