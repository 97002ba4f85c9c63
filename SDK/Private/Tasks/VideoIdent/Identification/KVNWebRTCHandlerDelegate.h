#pragma once
// What a video call handler tells the session driver, always on the main queue and with the
// sending handler first. Every operation is required.
#include <memory>

class KVNWebRTCHandler;
class NSError;
class UIImage;
class UIView;

class KVNWebRTCHandlerDelegate {
public:
    virtual ~KVNWebRTCHandlerDelegate() = default;

    virtual void webRTCHandler_didCreateLocalVideoControl(const std::shared_ptr<KVNWebRTCHandler>& handler,
                                                          const std::shared_ptr<UIView>& view) = 0;
    virtual void webRTCHandler_didCreateRemoteVideoControl(const std::shared_ptr<KVNWebRTCHandler>& handler,
                                                           const std::shared_ptr<UIView>& view) = 0;
    // Internal errors 2001, 2007, 2020 and 2021.
    virtual void webRTCHandler_didFailWithError(const std::shared_ptr<KVNWebRTCHandler>& handler,
                                                const std::shared_ptr<NSError>& error) = 0;
    // Declared for the driver; no handler sends it.
    virtual void webRTCHandlerWillTryToReconnect(const std::shared_ptr<KVNWebRTCHandler>& handler) = 0;
    virtual void webRTCHandler_didCreateScreenshot_withSuccess(const std::shared_ptr<KVNWebRTCHandler>& handler,
                                                               const std::shared_ptr<UIImage>& image, bool success) = 0;
};
