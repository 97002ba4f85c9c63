#pragma once
// Which ways a negotiated stream runs, from our side (the negotiation stores our direction).
// Any thread: no state.
#include "MediaStack/Sdp/SessionDescription.h"

namespace media {

inline bool sendsIn(mediastack::sdp::MediaDirection direction)
{
    return direction == mediastack::sdp::MediaDirection::SendRecv || direction == mediastack::sdp::MediaDirection::SendOnly;
}

inline bool receivesIn(mediastack::sdp::MediaDirection direction)
{
    return direction == mediastack::sdp::MediaDirection::SendRecv || direction == mediastack::sdp::MediaDirection::RecvOnly;
}

} // namespace media
