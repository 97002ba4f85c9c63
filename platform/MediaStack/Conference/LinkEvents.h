#pragma once
// The arguments of a conference's events, one plain record each, all raised on the media
// thread. Kept together since each is a link and at most one value.
#include <memory>
#include <string>

#include "MediaStack/Conference/CandidateMessage.h"
#include "MediaStack/Conference/PeerLink.h"
#include "MediaStack/Conference/SdpExchangeMessage.h"

// Why a link went down, or what escaped the stack's own work.
struct ConferenceException {
    std::string message;
};

struct UnhandledExceptionArgs {
    ConferenceException exception;
};

struct LinkInitArgs {
    std::shared_ptr<PeerLink> link;
};

struct LinkCandidateArgs {
    std::shared_ptr<PeerLink> link;
    CandidateMessage candidate;
};

struct LinkUpArgs {
    std::shared_ptr<PeerLink> link;
};

struct LinkDownArgs {
    std::shared_ptr<PeerLink> link;
    ConferenceException exception;
};

// Our offer, to be carried to the peer.
struct LinkOfferAnswerArgs {
    std::shared_ptr<PeerLink> link;
    SdpExchangeMessage offerAnswer;
};
