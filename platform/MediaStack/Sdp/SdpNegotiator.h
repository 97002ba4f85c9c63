#pragma once
// Offer and answer for the call (RFC 8829): one BUNDLE of an audio section (Opus) and a video
// section (VP8) over one ICE and DTLS transport with rtcp-mux. Only codecs that are both
// registered with the stream descriptions and have a payload format in the stack are
// offered or accepted; VP8 asks for NACK and PLI feedback.
// Reading the far side's SDP checks what the transport cannot do without: matching sections
// and mids, a codec we offered, ICE credentials, a SHA-256 fingerprint, a definite DTLS
// role, rtcp-mux, one BUNDLE. Header extension ids mean one URI each across the bundle in
// all we write: our offer gives them out so, an answer may only echo them, and our answer
// leaves out any the far side's offer uses for a second URI. Anything unworkable is a
// failure with a reason, never an exception.
// Any thread: no state.
#include <string_view>
#include <utility>

#include "MediaStack/Sdp/NegotiatedSession.h"
#include "MediaStack/Sdp/SdpLocalParameters.h"
#include "MediaStack/Sdp/SdpResult.h"
#include "MediaStack/Sdp/SessionDescription.h"

namespace mediastack::sdp {

class SdpNegotiator {
public:
    static constexpr uint8_t opusPayloadType = 111;
    static constexpr uint8_t vp8PayloadType = 96;

    static SessionDescription makeOffer(const SdpLocalParameters& local);
    // Our offer and the far side's answer text: what was agreed.
    static SdpResult<NegotiatedSession> readAnswer(const SessionDescription& offer, std::string_view answerText);
    // The far side's offer text: our answer and what it agrees.
    static SdpResult<std::pair<SessionDescription, NegotiatedSession>> makeAnswer(std::string_view offerText, const SdpLocalParameters& local);
};

}
