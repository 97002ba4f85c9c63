#pragma once
// Writes a SessionDescription as SDP text with CRLF line ends, transport attributes on every
// section as browsers write them. A section with candidates puts the first one's address in
// its m- and c-lines (the default candidate); without any it writes the placeholder 9 and
// 0.0.0.0.
// Any thread: no state.
#include <string>

#include "MediaStack/Sdp/SessionDescription.h"

namespace mediastack::sdp {

class SdpWriter {
public:
    static std::string write(const SessionDescription& description);
};

}
