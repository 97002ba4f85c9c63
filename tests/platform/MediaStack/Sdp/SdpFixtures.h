#pragma once
// The SDP texts recorded for these tests (fixtures/): our offer as the writer makes it, the
// answer aiortc gave to it, and an offer of aiortc's own; and the local parameters that made
// our offer.
#include <fstream>
#include <sstream>
#include <string>

#include "MediaStack/Sdp/CandidateLine.h"
#include "MediaStack/Sdp/SdpLocalParameters.h"

namespace sdpfixtures {

inline std::string load(const std::string& name)
{
    std::ifstream in(std::string(KVN_SOURCE_DIR) + "/tests/platform/MediaStack/Sdp/fixtures/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline mediastack::sdp::SdpLocalParameters ourParameters()
{
    mediastack::sdp::SdpLocalParameters p;
    p.sessionId = 4611731400430051336ull;
    p.iceUfrag = "Kx9f";
    p.icePwd = "b7Qm2nVt4LpZs8RwYc3DhJ";
    p.fingerprint.algorithm = "sha-256";
    for (int i = 0; i < 32; ++i) {
        p.fingerprint.digest.push_back(static_cast<uint8_t>(i * 7 + 3));
    }
    p.cname = "kvn-cname-1";
    p.streamId = "kvn-stream";
    p.audioSsrc = 1111111;
    p.videoSsrc = 2222222;
    p.candidates.push_back(*mediastack::sdp::CandidateLine::read("candidate:1 1 udp 2130706431 127.0.0.1 50000 typ host"));
    p.candidatesComplete = true;
    p.audioCodecs.push_back({ "opus", 48000, 2 });
    p.videoCodecs.push_back("VP8");
    return p;
}

// The text with its first `from` replaced by `to`.
inline std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}
