#pragma once
// Runs one video identification for the video identification screen, which owns it and is its
// delegate: starts the identification on the service, opens the event channel and starts the
// video call handler that matches the video server the service assigned; turns the agent's
// commands into KVNIdentificationStatus values (stored in the shared video session and
// reported to the screen) and carries out the commands that are actions (conference,
// screenshot, chat, torch, focus); makes the service requests the screen needs during the
// call; and ends the identification, leaving no channel, timer, call, torch or request behind.
//
// Main thread: every operation, every callback of the service, the channel and the call
// handler. Make it with std::make_shared, then initWithDelegate.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/JSONValue.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNSocketHandlerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationHandlerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/Tasks/VideoIdent/Identification/KVNNoVideoserverHandlerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelHandlerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNWebRTCHandlerDelegate.h"

class KVNMessageProvider;
class KVNParser;
class KVNSocketHandler;
class KVNVideoIdentification;
class KVNWebRTCHandler;
class UIImage;

class KVNIdentificationHandler : public KVNSocketHandlerDelegate,
                                 public KVNWebRTCHandlerDelegate,
                                 public KVNOrvelHandlerDelegate,
                                 public KVNNoVideoserverHandlerDelegate,
                                 public std::enable_shared_from_this<KVNIdentificationHandler> {
public:
    // Captures asked of the call that may be under way at once; a request beyond them takes
    // no picture.
    static constexpr size_t maxPendingScreenshots = 8;

    KVNIdentificationHandler() = default;
    ~KVNIdentificationHandler() override;
    KVNIdentificationHandler(const KVNIdentificationHandler&) = delete;
    KVNIdentificationHandler& operator=(const KVNIdentificationHandler&) = delete;

    // Makes the event channel (with the driver as its delegate), its parser and the chat store.
    void initWithDelegate(std::weak_ptr<KVNIdentificationHandlerDelegate> delegate);

    // Starts the identification on the service. The block runs only once the channel and the
    // call were started; a forced waiting list, an error or an answer without a video session
    // ends the start without it.
    void startIdentification(std::function<void()> completion);
    void requestVideoChat();
    void setupComplete();
    // YES by e-mail, NO by SMS.
    void requestIdentCodeViaEmail(bool viaEmail);
    void sendIdentCode(const std::string& code);
    // Uploads under the type the agent asked for last.
    void sendScreenshot(const std::shared_ptr<UIImage>& image);
    void sendSignature(const std::shared_ptr<UIImage>& image);
    void finishIdentification();
    // Links the call to the conference again (the media-stack handler only).
    void reconnect();
    void putIdentOnWaitingList();

    // 1 back camera, 2 front camera; 0 without a call handler.
    long localCameraPosition() const;
    void setLocalCameraPosition(long position);

    std::shared_ptr<KVNIdentificationHandlerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<KVNIdentificationHandlerDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<KVNMessageProvider>& messageProvider() const { return m_messageProvider; }
    const std::shared_ptr<KVNSocketHandler>& socketHandler() const { return m_socketHandler; }
    const std::shared_ptr<KVNParser>& parser() const { return m_parser; }
    // The type the agent asked for last; nil at first.
    const std::optional<std::string>& screenshotType() const { return m_screenshotType; }
    // Made on first use by the session's video server type; null for a server this client
    // does not run (every message to it then does nothing).
    std::shared_ptr<KVNWebRTCHandler> webRTCHandler();
    // The handler as it stands, without making one.
    const std::shared_ptr<KVNWebRTCHandler>& currentWebRTCHandler() const { return m_webRTCHandler; }

    // KVNSocketHandlerDelegate
    void socketHandlerDidCloseConnection(const std::shared_ptr<KVNSocketHandler>& socketHandler) override;
    void socketHandlerDidOpenConnection(const std::shared_ptr<KVNSocketHandler>& socketHandler) override;
    void socketHandler_didFailWithError(const std::shared_ptr<KVNSocketHandler>& socketHandler,
                                        const std::shared_ptr<NSError>& error) override;
    void socketHandler_didReceiveMessage(const std::shared_ptr<KVNSocketHandler>& socketHandler, const std::string& message) override;

    // KVNWebRTCHandlerDelegate, KVNOrvelHandlerDelegate, KVNNoVideoserverHandlerDelegate
    void webRTCHandler_didCreateLocalVideoControl(const std::shared_ptr<KVNWebRTCHandler>& handler,
                                                  const std::shared_ptr<UIView>& view) override;
    void webRTCHandler_didCreateRemoteVideoControl(const std::shared_ptr<KVNWebRTCHandler>& handler,
                                                   const std::shared_ptr<UIView>& view) override;
    void webRTCHandler_didFailWithError(const std::shared_ptr<KVNWebRTCHandler>& handler, const std::shared_ptr<NSError>& error) override;
    void webRTCHandlerWillTryToReconnect(const std::shared_ptr<KVNWebRTCHandler>& handler) override;
    void webRTCHandler_didCreateScreenshot_withSuccess(const std::shared_ptr<KVNWebRTCHandler>& handler,
                                                       const std::shared_ptr<UIImage>& image, bool success) override;
    void orvelHandlerDidLinkUp_withRemoteVideoControl(const std::shared_ptr<KVNOrvelHandler>& handler,
                                                      const std::shared_ptr<UIView>& view) override;
    void noVideoserverHandlerDidLinkUp(const std::shared_ptr<KVNNoVideoserverHandler>& handler) override;

protected:
    // The call handler for a video server type: 0 the media-stack handler, 2 the handler
    // without a video server, anything else none. Tests put a stand-in in its place.
    virtual std::shared_ptr<KVNWebRTCHandler> makeWebRTCHandler(long videoserverType);

private:
    void dispatchCommand(const std::string& message);
    void takeScreenshot(const JSONValue& data);
    void relayChatMessage(const JSONValue& data);
    void showHelp(const JSONValue& data);
    void changeStatus(KVNIdentificationStatus status, const JSONValue& data);
    void uploadScreenshot(const std::shared_ptr<UIImage>& image, const std::string& type);
    void reportError(const std::shared_ptr<NSError>& error);
    // Callbacks of the requests: an error goes to the screen; on success the second one sets
    // the status and reports it.
    KVNRequestManager::ErrorCallback reportingFailure();
    KVNRequestManager::ErrorCallback movingToStatusOnSuccess(long status);
    void reportStatus(long status);
    // Detaches the call handler and resets it; the camera and microphone stop with it.
    void resetWebRTCHandler();
    std::shared_ptr<KVNVideoIdentification> videoSession() const;
    long status() const;
    void setStatus(long status);

    std::weak_ptr<KVNIdentificationHandlerDelegate> m_delegate;
    std::shared_ptr<KVNMessageProvider> m_messageProvider;
    std::shared_ptr<KVNSocketHandler> m_socketHandler;
    std::shared_ptr<KVNParser> m_parser;
    std::shared_ptr<KVNWebRTCHandler> m_webRTCHandler;
    // The call of this start could not be made (reported once); none is tried again until
    // the next start.
    bool m_webRTCHandlerFailed = false;
    std::optional<std::string> m_screenshotType;
    // One type per capture asked of the call handler, oldest first: a capture answers after a
    // while, and the agent may ask for the next type before it has.
    std::deque<std::string> m_pendingScreenshotTypes;
};
