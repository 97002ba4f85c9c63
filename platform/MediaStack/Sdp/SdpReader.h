#pragma once
// Reads SDP text into a SessionDescription. Lines may end in CRLF or LF (stray CRs before the
// end are dropped); unknown lines and attributes are skipped, as are candidate lines that do
// not parse (another candidate may still work). What the call cannot do without (the version
// line, a well-formed m-line, rtpmap, fingerprint, setup, extmap, ssrc and group values, a mid
// that is a token) fails the read with a reason, and so does a line holding a control
// character. Input is bounded: text, sections, codecs, extensions, sources, feedback values
// and candidates have caps, past which the read fails (text, sections) or the surplus is
// skipped; a payload type the m-line lists twice is one codec, and a feedback value written
// more than once for a codec is kept once.
// Any thread: no state.
#include <string_view>

#include "MediaStack/Sdp/SdpResult.h"
#include "MediaStack/Sdp/SessionDescription.h"

namespace mediastack::sdp {

class SdpReader {
public:
    static constexpr size_t maxTextLength = 64 * 1024;
    static constexpr size_t maxMediaSections = 16;
    static constexpr size_t maxCodecsPerSection = 64;
    static constexpr size_t maxExtensionsPerSection = 32;
    static constexpr size_t maxSourcesPerSection = 16;
    static constexpr size_t maxCandidatesPerSection = 32;
    // Distinct rtcp-fb values kept per codec, those for every payload type ("*") included.
    static constexpr size_t maxFeedbackPerCodec = 16;

    static SdpResult<SessionDescription> read(std::string_view text);
};

}
