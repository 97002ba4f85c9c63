#pragma once
// An offer or answer as the signalling channel carries it: the SDP text, whether it is an
// offer, and the tie-breaker of the side that made it, written and read as the JSON object
// {"sdpMessage", "isOffer", "tieBreaker"}. A plain record; any thread.
#include <optional>
#include <string>
#include <string_view>

struct SdpExchangeMessage {
    std::string sdpMessage;
    bool isOffer = false;
    std::string tieBreaker;

    std::string toJson() const;
    // None for anything that is not such an object with a text SDP; a missing flag or
    // tie-breaker reads as false and empty.
    static std::optional<SdpExchangeMessage> fromJson(std::string_view text);
};
