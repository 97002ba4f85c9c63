#pragma once
// What the call handler tests share: a delegate that records every report, and a handler whose
// conference gathers no candidates (its only local address is not this host's), so that the
// tests choose what reaches the video server.
#include <memory>
#include <string>
#include <vector>

#include "Foundation/NSError.h"
#include "MediaStack/Conference/MediaConference.h"
#include "Private/Tasks/VideoIdent/Identification/KVNNoVideoserverHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelHandler.h"

struct RecordingDelegate : KVNWebRTCHandlerDelegate, KVNOrvelHandlerDelegate, KVNNoVideoserverHandlerDelegate {
    std::vector<std::string> calls;
    std::vector<long> errorCodes;

    void webRTCHandler_didCreateLocalVideoControl(const std::shared_ptr<KVNWebRTCHandler>&, const std::shared_ptr<UIView>&) override
    {
        calls.push_back("local");
    }
    void webRTCHandler_didCreateRemoteVideoControl(const std::shared_ptr<KVNWebRTCHandler>&, const std::shared_ptr<UIView>& view) override
    {
        calls.push_back(view ? "remote" : "remote without view");
    }
    void webRTCHandler_didFailWithError(const std::shared_ptr<KVNWebRTCHandler>&, const std::shared_ptr<NSError>& error) override
    {
        calls.push_back("error");
        errorCodes.push_back(error ? error->code() : 0);
    }
    void webRTCHandlerWillTryToReconnect(const std::shared_ptr<KVNWebRTCHandler>&) override { calls.push_back("reconnect"); }
    void webRTCHandler_didCreateScreenshot_withSuccess(const std::shared_ptr<KVNWebRTCHandler>&, const std::shared_ptr<UIImage>&,
                                                       bool success) override
    {
        calls.push_back(success ? "screenshot" : "screenshot failed");
    }
    void orvelHandlerDidLinkUp_withRemoteVideoControl(const std::shared_ptr<KVNOrvelHandler>&, const std::shared_ptr<UIView>&) override
    {
        calls.push_back("link up");
    }
    void noVideoserverHandlerDidLinkUp(const std::shared_ptr<KVNNoVideoserverHandler>&) override { calls.push_back("link up"); }

    size_t count(const std::string& call) const { return static_cast<size_t>(std::count(calls.begin(), calls.end(), call)); }
};

class QuietOrvelHandler : public KVNOrvelHandler {
protected:
    std::shared_ptr<MediaConference> makeConference(const std::string& stunHost, int stunPort,
                                                    std::vector<std::shared_ptr<ConferenceStream>> streams) override
    {
        auto conference = MediaConference::create(stunHost, stunPort, std::move(streams));
        conference->setLocalAddresses({"192.0.2.1"});
        return conference;
    }
};
