#pragma once
// What the session driver tells the video identification screen, on the main queue. The
// first two operations are required; the others have empty defaults, so the driver sends
// them whether or not the screen cares.
#include <memory>

#include "Foundation/NSError.h"

class KVNIdentificationHandler;
class KVNMessage;
class UIView;

class KVNIdentificationHandlerDelegate {
public:
    virtual ~KVNIdentificationHandlerDelegate() = default;

    // A start, a request or the call failed.
    virtual void identificationHandler_didFailWithError(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                        const std::shared_ptr<NSError>& error) = 0;
    // Leave the call for the success screen (the user is on the waiting list); always YES.
    virtual void identificationHandler_abortToSuccessScreen(const std::shared_ptr<KVNIdentificationHandler>& handler, bool abort) = 0;

    virtual void identificationHandler_didCreateLocalVideoControl(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                                  const std::shared_ptr<UIView>& view)
    {
    }
    // The agent's video, once the link is up.
    virtual void identificationHandler_didCreateRemoteVideoControl(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                                   const std::shared_ptr<UIView>& view)
    {
    }
    virtual void identificationHandler_didChangeIdentificationStatus(const std::shared_ptr<KVNIdentificationHandler>& handler, long status)
    {
    }
    virtual void identificationHandlerWillTryToReconnectTokboxSession(const std::shared_ptr<KVNIdentificationHandler>& handler) {}
    virtual void identificationHandlerDidUploadSignature(const std::shared_ptr<KVNIdentificationHandler>& handler) {}
    // A chat message from the agent, already in the chat store.
    virtual void identificationHandler_didReceiveRemoteMessage(const std::shared_ptr<KVNIdentificationHandler>& handler,
                                                               const std::shared_ptr<KVNMessage>& message)
    {
    }
};
