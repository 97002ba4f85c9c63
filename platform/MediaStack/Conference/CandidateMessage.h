#pragma once
// One local candidate of a link as the signalling channel carries it: the SDP attribute text
// ("candidate:...") and the index of the media section it belongs to. A plain record.
#include <optional>
#include <string>

struct CandidateMessage {
    std::string sdpCandidateAttribute;
    std::optional<int> sdpMediaIndex;
};
