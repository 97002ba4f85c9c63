#pragma once
// The video call handler for an identification whose video server is disabled: it runs the
// local camera and microphone for the preview and the screenshots, and makes no conference
// and no exchange with a video server; starting the conference only reports the call as up,
// unless the local media failed to start, which is reported as the media-stack handler does.
// The first handler of its kind sets up the media stack's log and codecs once per process.
// Main thread; the local media's start answers on a media-stack thread and comes here.
#include <memory>

#include "Private/Tasks/VideoIdent/Identification/KVNNoVideoserverHandlerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWebRTCHandler.h"

class KVNOrvelLocalMedia;

class KVNNoVideoserverHandler : public KVNWebRTCHandler {
public:
    void initWithDelegate(const std::shared_ptr<KVNWebRTCHandlerDelegate>& delegate) override;
    void startWithSessionID_sessionToken(const std::string& sessionID, const std::string& sessionToken) override;
    void createScreenshot() override;
    void reset() override;
    long localCameraPosition() const override;
    void setLocalCameraPosition(long position) override;

    void setup();
    void startConference();
    // There is no offer exchange.
    void handleOfferAnswer() {}

    const std::shared_ptr<KVNOrvelLocalMedia>& localMedia() const { return m_localMedia; }

private:
    std::shared_ptr<KVNNoVideoserverHandler> self();

    std::shared_ptr<KVNOrvelLocalMedia> m_localMedia;
    // The current local media could not start: the call is never reported as up.
    bool m_localMediaFailed = false;
};
