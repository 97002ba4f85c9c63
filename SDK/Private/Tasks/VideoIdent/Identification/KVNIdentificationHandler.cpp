#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationHandler.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"
#include "Private/Extensions/NSDictionary+KVNExtensions.h"
#include "Private/Helper/IdentTimer.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/Helper/KVNParser.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Helper/KVNSocketHandler.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNNoVideoserverHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelHandler.h"
#include "Private/Tasks/VideoIdent/Identification/KavoniCertificateProviderException.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniSettings.h"

namespace {

// The action commands carry no status; they are done whatever the status is.
bool isActionCommand(const std::optional<std::string>& command)
{
    return command == "takeScreenshot" || command == "chatMessage" || command == "showHelp";
}

std::shared_ptr<KVNIdentification> sharedSession() { return KVNIdentification::sharedIdentification(); }

} // namespace

KVNIdentificationHandler::~KVNIdentificationHandler()
{
    // The channel and the call keep only weak references, but a channel left open would go
    // on reconnecting for nobody.
    if (m_socketHandler) {
        m_socketHandler->setDelegate({});
        m_socketHandler->closeConnection();
    }
}

void KVNIdentificationHandler::initWithDelegate(std::weak_ptr<KVNIdentificationHandlerDelegate> delegate)
{
    m_delegate = std::move(delegate);
    m_messageProvider = std::make_shared<KVNMessageProvider>();
    m_messageProvider->init();
    m_socketHandler = std::make_shared<KVNSocketHandler>();
    m_socketHandler->initWithDelegate(weak_from_this());
    m_parser = std::make_shared<KVNParser>();
}

std::shared_ptr<KVNVideoIdentification> KVNIdentificationHandler::videoSession() const { return sharedSession()->videoIdentification(); }

long KVNIdentificationHandler::status() const
{
    auto session = videoSession();
    return session ? session->identificationStatus() : KVNIdentificationStatusNotDefined;
}

void KVNIdentificationHandler::setStatus(long status)
{
    if (auto session = videoSession())
        session->setIdentificationStatus(status);
}

void KVNIdentificationHandler::reportError(const std::shared_ptr<NSError>& error)
{
    if (auto delegate = this->delegate())
        delegate->identificationHandler_didFailWithError(shared_from_this(), error);
}

void KVNIdentificationHandler::reportStatus(long status)
{
    if (auto delegate = this->delegate())
        delegate->identificationHandler_didChangeIdentificationStatus(shared_from_this(), status);
}

// --- Start and the call handler

std::shared_ptr<KVNWebRTCHandler> KVNIdentificationHandler::makeWebRTCHandler(long videoserverType)
{
    switch (videoserverType) {
    case KVNVideoIdentification::VideoserverTypeKavoni: {
        KVNLog("WebRTC service for video identification: Orvel");
        auto handler = std::make_shared<KVNOrvelHandler>();
        try {
            handler->initWithDelegate(shared_from_this());
        } catch (const KavoniCertificateProviderException& exception) {
            // The host's provider asked for its own certificate and gave none: no call can
            // be made. The screen shows a failed call the user may retry or close.
            KVNLogLocated(__FILE__, __LINE__, "Orvel: %@: %@", exception.name(), exception.reason());
            reportError(KavoniErrorPrivate::kavoniInternalErrorWithCode(KavoniErrorCode::ConferenceException));
            return nullptr;
        }
        return handler;
    }
    case KVNVideoIdentification::VideoserverTypeDisabled: {
        KVNLog("WebRTC service for video identification: Disabled");
        auto handler = std::make_shared<KVNNoVideoserverHandler>();
        handler->initWithDelegate(shared_from_this());
        return handler;
    }
    default:
        return nullptr;
    }
}

std::shared_ptr<KVNWebRTCHandler> KVNIdentificationHandler::webRTCHandler()
{
    if (!m_webRTCHandler && !m_webRTCHandlerFailed) {
        auto session = videoSession();
        const long type = session ? session->videoserverType() : -1;
        m_webRTCHandler = makeWebRTCHandler(type);
        m_webRTCHandlerFailed = !m_webRTCHandler && type == KVNVideoIdentification::VideoserverTypeKavoni;
    }
    return m_webRTCHandler;
}

void KVNIdentificationHandler::resetWebRTCHandler()
{
    if (!m_webRTCHandler)
        return;
    m_webRTCHandler->setDelegate(nullptr);
    m_webRTCHandler->reset();
    m_pendingScreenshotTypes.clear();
}

void KVNIdentificationHandler::startIdentification(std::function<void()> completion)
{
    KVN_ASSERT_MAIN_THREAD();
    setStatus(KVNIdentificationStatusConnecting);
    auto callback = kvn::bindToMainQueue(
        weak_from_this(),
        [completion = std::move(completion)](KVNIdentificationHandler& self, const std::optional<std::string>& sessionID,
                                             const std::optional<std::string>& sessionToken, const std::shared_ptr<NSError>& error) {
            auto ident = sharedSession();
            if (ident->forceWaitingList() && !ident->waitingListNotified()) {
                if (ident->enrolledInWaitingList()) {
                    if (auto delegate = self.delegate())
                        delegate->identificationHandler_abortToSuccessScreen(self.shared_from_this(), true);
                }
                return;
            }
            if (error) {
                self.reportError(error);
                return;
            }
            // A user the waiting list has notified goes on as after a successful start,
            // though the 429 carries no video session: the channel opens, the call starts its
            // camera (the screen asks for the video chat once it shows) and the agent is
            // served; the call cannot link without a session, so it reports a failed offer
            // exchange when the agent joins, and the user's retry starts afresh.
            const bool notifiedFromWaitingList = ident->forceWaitingList() && ident->waitingListNotified();
            if (notifiedFromWaitingList && (!sessionID || !sessionToken))
                KVNLogLocated(__FILE__, __LINE__, "Video identification goes on for a notified user without a video session");
            else if (!sessionID || !sessionToken) {
                KVNLogLocated(__FILE__, __LINE__, "Video identification started without a video session: no call is made");
                self.reportError(KavoniErrorPrivate::kavoniInternalErrorWithCode(KavoniErrorCode::StartVideoIdentificationFailed));
                return;
            }
            auto settings = ident->settings();
            self.m_socketHandler->setURL(ident->server() ? ident->server()->webSocketURL() : std::nullopt);
            self.m_socketHandler->setConnectionType(settings ? settings->connectionType() : 0);
            self.m_socketHandler->reconnectSocket();
            self.resetWebRTCHandler();
            self.m_webRTCHandler.reset();
            self.m_webRTCHandlerFailed = false;
            if (auto handler = self.webRTCHandler())
                handler->startWithSessionID_sessionToken(sessionID.value_or(""), sessionToken.value_or(""));
            else if (self.m_webRTCHandlerFailed)
                return; // reported as the call's failure
            if (completion)
                completion();
        });
    KVNRequestManager::sharedManager()->POSTStartVideoIdentification(std::move(callback));
}

// --- Requests during the call

KVNRequestManager::ErrorCallback KVNIdentificationHandler::reportingFailure()
{
    return kvn::bindToMainQueue(weak_from_this(), [](KVNIdentificationHandler& self, const std::shared_ptr<NSError>& error) {
        if (error)
            self.reportError(error);
    });
}

KVNRequestManager::ErrorCallback KVNIdentificationHandler::movingToStatusOnSuccess(long status)
{
    return kvn::bindToMainQueue(weak_from_this(), [status](KVNIdentificationHandler& self, const std::shared_ptr<NSError>& error) {
        if (error) {
            self.reportError(error);
            return;
        }
        self.setStatus(status);
        self.reportStatus(self.status());
    });
}

void KVNIdentificationHandler::requestVideoChat()
{
    KVN_ASSERT_MAIN_THREAD();
    KVNRequestManager::sharedManager()->requestVideoChat(reportingFailure());
}

void KVNIdentificationHandler::setupComplete()
{
    KVN_ASSERT_MAIN_THREAD();
    KVNRequestManager::sharedManager()->POSTSetupComplete(reportingFailure());
}

void KVNIdentificationHandler::requestIdentCodeViaEmail(bool viaEmail)
{
    KVN_ASSERT_MAIN_THREAD();
    KVNRequestManager::sharedManager()->POSTRequestIdentCodeViaEmail_callback(viaEmail,
                                                                              movingToStatusOnSuccess(KVNIdentificationStatusSendCode));
}

void KVNIdentificationHandler::sendIdentCode(const std::string& code)
{
    KVN_ASSERT_MAIN_THREAD();
    KVNRequestManager::sharedManager()->POSTIdentCode_callback(code, movingToStatusOnSuccess(KVNIdentificationStatusAgentBusy));
}

void KVNIdentificationHandler::sendScreenshot(const std::shared_ptr<UIImage>& image)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_screenshotType) {
        KVNLogLocated(__FILE__, __LINE__, "Screenshot not sent: the agent asked for no type");
        return;
    }
    uploadScreenshot(image, *m_screenshotType);
}

void KVNIdentificationHandler::uploadScreenshot(const std::shared_ptr<UIImage>& image, const std::string& type)
{
    KVNRequestManager::sharedManager()->POSTScreenshot_typeIdentifier_callback(image, type, reportingFailure());
}

void KVNIdentificationHandler::sendSignature(const std::shared_ptr<UIImage>& image)
{
    KVN_ASSERT_MAIN_THREAD();
    KVNRequestManager::sharedManager()->POSTSignature_callback(
        image, kvn::bindToMainQueue(weak_from_this(), [](KVNIdentificationHandler& self, const std::shared_ptr<NSError>& error) {
            if (error) {
                self.reportError(error);
                return;
            }
            if (auto delegate = self.delegate())
                delegate->identificationHandlerDidUploadSignature(self.shared_from_this());
        }));
}

// --- Endings

void KVNIdentificationHandler::finishIdentification()
{
    KVN_ASSERT_MAIN_THREAD();
    m_messageProvider->invalidate();
    m_socketHandler->setDelegate({});
    m_socketHandler->closeConnection();
    KVNRequestManager::sharedManager()->cancelTasks();
    if (auto session = videoSession()) {
        session->setIdentificationStatus(KVNIdentificationStatusNotDefined);
        session->setPositionInQueue(-1);
        session->setEstimatedWaitingTime(-1);
    }
    resetWebRTCHandler();
    // A picture that arrives after the end is sent for no one.
    m_screenshotType.reset();
    KVNExtensions::resetAutofocus();
    KVNExtensions::setTorchEnabled(false);
}

void KVNIdentificationHandler::putIdentOnWaitingList() { finishIdentification(); }

void KVNIdentificationHandler::reconnect()
{
    KVN_ASSERT_MAIN_THREAD();
    if (auto orvel = std::dynamic_pointer_cast<KVNOrvelHandler>(webRTCHandler()))
        orvel->linkToConference();
}

long KVNIdentificationHandler::localCameraPosition() const { return m_webRTCHandler ? m_webRTCHandler->localCameraPosition() : 0; }

void KVNIdentificationHandler::setLocalCameraPosition(long position)
{
    KVN_ASSERT_MAIN_THREAD();
    if (auto handler = webRTCHandler())
        handler->setLocalCameraPosition(position);
}

// --- The event channel

void KVNIdentificationHandler::socketHandlerDidCloseConnection(const std::shared_ptr<KVNSocketHandler>& socketHandler)
{
    KVNLogLocated(__FILE__, __LINE__, "WebSocket connection closed (%@)", socketHandler ? socketHandler->URL() : std::nullopt);
}

void KVNIdentificationHandler::socketHandlerDidOpenConnection(const std::shared_ptr<KVNSocketHandler>& socketHandler)
{
    KVNLog("WebSocket connection opened (%@)", socketHandler ? socketHandler->URL() : std::nullopt);
}

void KVNIdentificationHandler::socketHandler_didFailWithError(const std::shared_ptr<KVNSocketHandler>& socketHandler,
                                                              const std::shared_ptr<NSError>& error)
{
    KVNLog("WebSocket connection failed (%@): %@", socketHandler ? socketHandler->URL() : std::nullopt,
           error ? error->localizedDescription() : std::string("(null)"));
}

void KVNIdentificationHandler::socketHandler_didReceiveMessage(const std::shared_ptr<KVNSocketHandler>&, const std::string& message)
{
    KVN_ASSERT_MAIN_THREAD();
    dispatchCommand(message);
}

void KVNIdentificationHandler::dispatchCommand(const std::string& message)
{
    const std::optional<JSONValue> json = m_parser->JSONFromMessage(message);
    const JSONValue none = JSONValue::object();
    const JSONValue& object = json ? *json : none;
    const std::optional<std::string> command = KVNExtensions::stringForKey(object, "command");
    const JSONValue data = object.contains("data") ? object["data"] : JSONValue();

    if (command == "ping") {
        KVNLog("WEBSOCKET: PING\n");
        return;
    }
    if (command == "focusCamera") {
        KVNExtensions::autofocusPoint(CGPoint{0.5, 0.5});
        return;
    }

    const KVNIdentificationStatus next = KVNStatusForCommand(command);
    const long current = status();
    KVNLog("WEBSOCKET: %@\n", message);
    KVNLog("WEBSOCKET: new status - %@ (%@)\n", KVNStatusDescription(next), command);
    KVNLog("WEBSOCKET: current status - %@\n", KVNStatusDescription(current));

    // An action is no status, so an earlier unknown message (NotDefined) must not make the
    // agent's chat message or screenshot request look like a repeat and lose it.
    if (next == current && !isActionCommand(command)) {
        KVNLog("WEBSOCKET NO CHANGE !!!!!!\n");
        return;
    }

    if (command == "agentConnected") {
        if (auto settings = sharedSession()->settings())
            IdentTimerStart(settings->getTimer());
        setStatus(next);
        auto handler = webRTCHandler();
        if (auto orvel = std::dynamic_pointer_cast<KVNOrvelHandler>(handler))
            orvel->startConference();
        else if (auto noVideoserver = std::dynamic_pointer_cast<KVNNoVideoserverHandler>(handler))
            noVideoserver->startConference();
        return;
    }
    if (command == "takeScreenshot") {
        takeScreenshot(data);
        return;
    }
    if (command == "chatMessage") {
        relayChatMessage(data);
        return;
    }
    if (command == "showHelp") {
        showHelp(data);
        return;
    }
    if (next == KVNIdentificationStatusRequestCode &&
        (current == KVNIdentificationStatusSendCode || current == KVNIdentificationStatusAgentBusy))
        return;
    if (next == KVNIdentificationStatusUserStep)
        return;
    changeStatus(next, data);
}

void KVNIdentificationHandler::takeScreenshot(const JSONValue& data)
{
    const std::optional<std::string> type = KVNExtensions::stringForKey(data, "type");
    if (!type) {
        KVNLogLocated(__FILE__, __LINE__, "Screenshot requested without a type: no screenshot taken");
        return;
    }
    if (KVNRequestManager::sharedManager()->isUploadingScreenshotForIdentifier(*type)) {
        KVNLog("Screenshot upload is currently running. Skipped creating screenshot for type: %@", *type);
        return;
    }
    m_screenshotType = type;
    auto handler = webRTCHandler();
    if (!handler)
        return;
    // A call that stopped answering must not make the service's requests pile up here.
    if (m_pendingScreenshotTypes.size() >= maxPendingScreenshots) {
        KVNLogLocated(__FILE__, __LINE__, "Screenshot for type %@ skipped: %ld earlier ones are still being taken", *type,
                      static_cast<long>(m_pendingScreenshotTypes.size()));
        return;
    }
    m_pendingScreenshotTypes.push_back(*type);
    handler->createScreenshot();
}

void KVNIdentificationHandler::relayChatMessage(const JSONValue& data)
{
    auto message = std::make_shared<KVNMessage>();
    message->initWithDictionary(data.is_object() ? data : JSONValue::object());
    message->setRemote(true);
    m_messageProvider->didReceiveRemoteMessage(message);
    if (auto delegate = this->delegate())
        delegate->identificationHandler_didReceiveRemoteMessage(shared_from_this(), message);
}

void KVNIdentificationHandler::showHelp(const JSONValue& data)
{
    const std::optional<std::string> type = KVNExtensions::stringForKey(data, "type");
    if (type == "turnFlashlightOn" && localCameraPosition() == KVNWebRTCHandler::CameraPositionBack)
        KVNExtensions::setTorchEnabled(true);
    else if (type == "turnFlashlightOff")
        KVNExtensions::setTorchEnabled(false);
}

void KVNIdentificationHandler::changeStatus(KVNIdentificationStatus next, const JSONValue& data)
{
    auto session = videoSession();
    // Without its data the signing page cannot be shown; taking the status anyway would make
    // the agent's resend look like a repeat, and e-signing would never appear.
    if (next == KVNIdentificationStatusESignature && !data.is_object()) {
        KVNLogLocated(__FILE__, __LINE__, "WEBSOCKET: startESigning without data ignored");
        return;
    }
    setStatus(next);
    if (session)
        session->setConsentProtocolVersion("docusign");
    if (next == KVNIdentificationStatusESignature && session) {
        if (auto url = KVNExtensions::stringForKey(data, "url"))
            session->setESignatureOpenTrustURL(url);
        if (auto version = KVNExtensions::stringForKey(data, "consentProtocolVersion")) {
            KVNLog("WEBSOCKET: consent protocol -> %@\n", *version);
            session->setConsentProtocolVersion(version->find("native") != std::string::npos ? "native" : "docusign");
        }
    }
    long reported = next;
    if (next == KVNIdentificationStatusRequestCode && !(session && !session->eSignatureEnabled() && session->identCodeRequired())) {
        setStatus(KVNIdentificationStatusAgentBusy);
        reported = KVNIdentificationStatusAgentBusy;
    }
    reportStatus(reported);
}

// --- The call handler

void KVNIdentificationHandler::webRTCHandler_didCreateLocalVideoControl(const std::shared_ptr<KVNWebRTCHandler>&,
                                                                        const std::shared_ptr<UIView>& view)
{
    if (auto delegate = this->delegate())
        delegate->identificationHandler_didCreateLocalVideoControl(shared_from_this(), view);
}

void KVNIdentificationHandler::webRTCHandler_didCreateRemoteVideoControl(const std::shared_ptr<KVNWebRTCHandler>&,
                                                                         const std::shared_ptr<UIView>&)
{
    // The agent's view goes to the screen once the link is up and checked.
}

void KVNIdentificationHandler::webRTCHandler_didFailWithError(const std::shared_ptr<KVNWebRTCHandler>&,
                                                              const std::shared_ptr<NSError>& error)
{
    reportError(error);
}

void KVNIdentificationHandler::webRTCHandlerWillTryToReconnect(const std::shared_ptr<KVNWebRTCHandler>&)
{
    if (auto delegate = this->delegate())
        delegate->identificationHandlerWillTryToReconnectTokboxSession(shared_from_this());
}

void KVNIdentificationHandler::webRTCHandler_didCreateScreenshot_withSuccess(const std::shared_ptr<KVNWebRTCHandler>& handler,
                                                                             const std::shared_ptr<UIImage>& image, bool success)
{
    // A picture of a call that was dropped or ended belongs to no request of this session.
    if (handler && handler != m_webRTCHandler)
        return;
    std::optional<std::string> type;
    if (!m_pendingScreenshotTypes.empty()) {
        type = m_pendingScreenshotTypes.front();
        m_pendingScreenshotTypes.pop_front();
    }
    if (!success || !image) {
        KVNLogLocated(__FILE__, __LINE__, "WebRTC service failed to create screenshot");
        return;
    }
    KVNLog("WebRTC service created screenshot");
    if (type)
        uploadScreenshot(image, *type);
    else
        sendScreenshot(image);
}

void KVNIdentificationHandler::orvelHandlerDidLinkUp_withRemoteVideoControl(const std::shared_ptr<KVNOrvelHandler>&,
                                                                            const std::shared_ptr<UIView>& view)
{
    if (auto delegate = this->delegate())
        delegate->identificationHandler_didCreateRemoteVideoControl(shared_from_this(), view);
    setupComplete();
}

void KVNIdentificationHandler::noVideoserverHandlerDidLinkUp(const std::shared_ptr<KVNNoVideoserverHandler>&) { setupComplete(); }
