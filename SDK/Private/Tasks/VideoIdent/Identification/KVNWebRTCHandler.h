#pragma once
// The video call handler as the session driver sees it: started with the video session's
// identifier and token, asked for screenshots and camera switches, reset at the end; it
// answers through KVNWebRTCHandlerDelegate on the main queue. The base keeps the session's
// identifier and token and focuses the back camera where the user taps its preview;
// KVNOrvelHandler and KVNNoVideoserverHandler do the rest.
// Main thread.
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "Private/Tasks/VideoIdent/Identification/KVNWebRTCHandlerDelegate.h"

class KVNOrvelLocalMedia;
class UITapGestureRecognizer;

class KVNWebRTCHandler : public std::enable_shared_from_this<KVNWebRTCHandler> {
public:
    // Positions as the capture framework numbers them.
    static constexpr long CameraPositionBack = 1;
    static constexpr long CameraPositionFront = 2;

    KVNWebRTCHandler() = default;
    virtual ~KVNWebRTCHandler() = default;

    virtual void initWithDelegate(const std::shared_ptr<KVNWebRTCHandlerDelegate>& delegate);
    virtual void startWithSessionID_sessionToken(const std::string& sessionID, const std::string& sessionToken);
    virtual void createScreenshot() {}
    virtual void reset() {}
    virtual long localCameraPosition() const { return m_localCameraPosition; }
    virtual void setLocalCameraPosition(long position) { m_localCameraPosition = position; }

    std::shared_ptr<KVNWebRTCHandlerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNWebRTCHandlerDelegate>& delegate) { m_delegate = delegate; }
    const std::optional<std::string>& videoSessionID() const { return m_videoSessionID; }
    const std::optional<std::string>& videoSessionToken() const { return m_videoSessionToken; }

    std::shared_ptr<UIView> localVideoControl() const { return m_localVideoControl.lock(); }
    // A view stored here loses its gesture recognisers and gets the tap-to-focus one.
    void setLocalVideoControl(const std::shared_ptr<UIView>& view);
    // Back camera only: focuses where the tap falls on the picture.
    void tappedOnLocaleVideoControl(const std::shared_ptr<UITapGestureRecognizer>& recognizer);

protected:
    // What both handlers do with their local media.
    // Back when the stream's camera is its rear one; front otherwise, and without a stream.
    static long cameraPositionOfLocalMedia(const std::shared_ptr<KVNOrvelLocalMedia>& media);
    // Switches the stream to the rear (CameraPositionBack) or the front camera and sets the
    // still-image output up again; nothing without a stream or when the position is current.
    static void switchLocalCamera(const std::shared_ptr<KVNOrvelLocalMedia>& media, long position);
    // The still image goes to the delegate; the request holds the handler until it answers.
    void createScreenshotFromLocalMedia(const std::shared_ptr<KVNOrvelLocalMedia>& media);
    static std::string failureReason(std::exception_ptr failure);

private:
    std::weak_ptr<KVNWebRTCHandlerDelegate> m_delegate;
    std::optional<std::string> m_videoSessionID;
    std::optional<std::string> m_videoSessionToken;
    std::weak_ptr<UIView> m_localVideoControl;
    long m_localCameraPosition = 0;
};
