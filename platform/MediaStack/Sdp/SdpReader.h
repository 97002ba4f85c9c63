#pragma once
// Reads SDP text into a SessionDescription. Lines may end in CRLF or LF; unknown lines and
// attributes are skipped, as are candidate lines that do not parse (another candidate may
// still work). What the call cannot do without (the version line, a well-formed m-line,
// rtpmap, fingerprint, setup, extmap, ssrc and group values) fails the read with a reason.
// Input is bounded: text, sections, codecs, extensions, sources and candidates have caps,
// past which the read fails (text, sections) or the surplus is skipped.
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

    static SdpResult<SessionDescription> read(std::string_view text);
};

}
