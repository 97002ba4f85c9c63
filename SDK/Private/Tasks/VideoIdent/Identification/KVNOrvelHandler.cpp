#include "Private/Tasks/VideoIdent/Identification/KVNOrvelHandler.h"

#include <mutex>

#include "AVFoundation/AVCaptureSession.h"
#include "Foundation/BindToMainQueue.h"
#include "Foundation/JSONValue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSURLSessionTask.h"
#include "MediaStack/Views/LocalPreviewView.h"
#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/Capture/CameraCaptureProvider.h"
#include "MediaStack/Capture/LocalCaptureStream.h"
#include "MediaStack/Conference/AudioConferenceStream.h"
#include "MediaStack/Conference/CandidateTypePreferences.h"
#include "MediaStack/Conference/MediaConference.h"
#include "MediaStack/Conference/VideoConferenceStream.h"
#include "MediaStack/ConsoleLogSink.h"
#include "MediaStack/MediaStackLog.h"
#include "MediaStack/VideoStreamDescription.h"
#include "MediaStack/Views/RemoteVideoView.h"
#include "Private/Helper/IdentTimer.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KVNNetworkReachability.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KVNServer.h"
#include "Private/Helper/KVNTimer.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelLocalMedia.h"
#include "Private/Tasks/VideoIdent/Identification/KavoniCertificate.h"
#include "Private/Tasks/VideoIdent/Identification/KavoniCertificateProviderException.h"
#include "UIKit/UIApplication.h"
#include "codecs/OpusCodec.h"
#include "codecs/Vp8Codec.h"
#include "models/KVNIdentification.h"
#include "public/KavoniCertificateProvider.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"

namespace {

constexpr int kDeadStreamTimeout = 5000; // ms
constexpr int kEarlyCandidatesTimeoutStep = 2000; // ms
constexpr int kEarlyCandidatesTimeoutLimit = 10001; // ms
constexpr double kRelinkCheckInterval = 2.0; // s

std::once_flag& setupOnce()
{
    static std::once_flag flag;
    return flag;
}

std::shared_ptr<DtlsCertificateBase>& processCertificateSlot()
{
    static std::shared_ptr<DtlsCertificateBase> certificate;
    return certificate;
}

// The settings of the running identification: the current controller's, or, while none is
// current, the shared session's (the controller hands its settings to it).
std::shared_ptr<KavoniSettings> currentSettings()
{
    if (auto controller = KavoniController::currentKavoniController(); controller && controller->settings())
        return controller->settings();
    return KVNIdentification::sharedIdentification()->settings();
}

std::shared_ptr<KavoniCertificateProvider> providerFromSettings()
{
    auto settings = currentSettings();
    return settings ? settings->certificateProvider() : nullptr;
}

IdentTimer* stopwatch()
{
    auto settings = KVNIdentification::sharedIdentification()->settings();
    return settings ? settings->getTimer() : nullptr;
}

// Whole seconds and hundredths since the conference start.
struct StopwatchReading {
    int seconds = 0;
    int hundredths = 0;
};

// Main thread only: the session driver and the screen start and read the same stopwatch.
StopwatchReading stopStopwatch()
{
    KVN_ASSERT_MAIN_THREAD();
    IdentTimer* watch = stopwatch();
    if (!watch)
        return {};
    IdentTimerStop(watch);
    return {watch->m_seconds, watch->m_millis};
}

} // namespace

std::shared_ptr<DtlsCertificateBase> KVNOrvelHandler::processCertificate() { return processCertificateSlot(); }

std::shared_ptr<KVNOrvelHandler> KVNOrvelHandler::self() { return std::static_pointer_cast<KVNOrvelHandler>(shared_from_this()); }

std::shared_ptr<KVNOrvelHandlerDelegate> KVNOrvelHandler::orvelDelegate() const
{
    return std::dynamic_pointer_cast<KVNOrvelHandlerDelegate>(delegate());
}

std::shared_ptr<RemoteVideoView> KVNOrvelHandler::remoteVideoControl() const
{
    std::lock_guard hold(m_remoteLock);
    return m_remoteVideoControl.lock();
}

void KVNOrvelHandler::initWithDelegate(const std::shared_ptr<KVNWebRTCHandlerDelegate>& delegate)
{
    KVNWebRTCHandler::initWithDelegate(delegate);
    m_certificateProvider.reset();
    m_timer = std::make_shared<KVNTimer>();
    std::call_once(setupOnce(), [this] { setup(); });
}

void KVNOrvelHandler::setup()
{
    MediaStackLog::setSink(std::make_shared<ConsoleLogSink>(LogLevel::Error));
    VideoStreamDescription::registerCodec(
        "VP8", [] { return std::make_shared<Vp8Codec>(); }, true);
    AudioStreamDescription::registerCodec(
        "opus", 48000, 2, [] { return std::make_shared<OpusCodec>(); }, true);
    m_certificateProvider = providerFromSettings();
    processCertificateSlot() = createClientCertificate();
}

std::shared_ptr<DtlsCertificateBase> KVNOrvelHandler::createClientCertificate()
{
    auto provider = certificateProvider();
    if (provider && provider->featureCertificate()) {
        auto key = provider->providePrivateKeyBytestream();
        auto bytes = provider->provideCertificateBytestream();
        // Empty streams are no more a certificate than none.
        if (!key || !bytes || key->empty() || bytes->empty())
            throw KavoniCertificateProviderException("no valid byte streams for key and/or certificate");
        auto certificate = std::make_shared<KavoniCertificate>();
        certificate->init();
        certificate->setCert_andKey(*bytes, *key);
        return certificate;
    }
    return DtlsCertificateBase::generate();
}

void KVNOrvelHandler::startWithSessionID_sessionToken(const std::string& sessionID, const std::string& sessionToken)
{
    KVNWebRTCHandler::startWithSessionID_sessionToken(sessionID, sessionToken);
    m_certificateProvider = providerFromSettings();
    m_orvelInitialized = true;
    auto media = std::make_shared<KVNOrvelLocalMedia>();
    m_localMedia = media;
    // The request holds the handler until it answers.
    media->startWithCallback([handler = self(), media](std::shared_ptr<LocalPreviewView> preview, std::exception_ptr failure) mutable {
        if (failure || !preview) {
            KVNLogLocated(__FILE__, __LINE__, "Orvel: Starting local media failed: %@", failureReason(failure));
        }
        kvn::postToMainQueue(std::move(handler),
                             [media, preview, failure](KVNOrvelHandler& self) { self.onLocalMediaStarted(media, preview, failure); });
    });
}

void KVNOrvelHandler::onLocalMediaStarted(const std::shared_ptr<KVNOrvelLocalMedia>& media, const std::shared_ptr<UIView>& preview,
                                          std::exception_ptr failure)
{
    KVN_ASSERT_MAIN_THREAD();
    // An answer for media that a reset let go of is not the call's any more.
    if (!m_orvelInitialized || m_localMedia != media) {
        if (media)
            media->stop();
        return;
    }
    if (failure || !preview) {
        failWithError(KavoniErrorPrivate::kavoniInternalErrorWithCode(KavoniErrorCode::LocalMediaStartFailed));
        return;
    }
    setLocalVideoControl(preview);
    if (auto delegate = this->delegate())
        delegate->webRTCHandler_didCreateLocalVideoControl(self(), preview);
}

std::shared_ptr<MediaConference> KVNOrvelHandler::makeConference(const std::string& stunHost, int stunPort,
                                                                 std::vector<std::shared_ptr<ConferenceStream>> streams)
{
    return MediaConference::create(stunHost, stunPort, std::move(streams));
}

void KVNOrvelHandler::startConference()
{
    KVN_ASSERT_MAIN_THREAD();
    auto identification = KVNIdentification::sharedIdentification();
    IdentTimer* watch = stopwatch();
    if (watch) {
        IdentTimerStart(watch);
        KVNLogLocated(__FILE__, __LINE__, "Orvel: START CONFERENCE [%d:%d]", watch->m_seconds, watch->m_millis);
    }

    CandidateTypePreferences preferences = CandidateTypePreferences::processWide();
    preferences.peerReflexive = 99;
    preferences.serverReflexive = 120;
    CandidateTypePreferences::setProcessWide(preferences);

    auto localStream = m_localMedia ? m_localMedia->localMediaStream() : nullptr;
    m_audioStream = std::make_shared<AudioStreamSpec>(localStream);
    m_audioStream->setDisablePLC(false);
    m_audioStream->setDisableJitterBuffer(false);
    m_videoStream = std::make_shared<VideoStreamSpec>(localStream);
    m_videoStream->setDisableFEC(true);
    m_videoStream->setDisablePLI(false);
    m_videoStream->setDisableNackBuffer(false);

    const std::string stunHost = identification->server() ? identification->server()->stunHost().value_or("") : "";
    const int stunPort = identification->server() ? static_cast<int>(identification->server()->stunPort()) : 0;
    KVNLogLocated(__FILE__, __LINE__, "Orvel: Using Stun server %@ on port %d", stunHost, stunPort);

    m_conference = makeConference(stunHost, stunPort, {m_audioStream, m_videoStream});
    m_conference->setDeadStreamTimeout(kDeadStreamTimeout);
    m_certificate = processCertificate();
    m_conference->setDtlsCertificate(m_certificate);
    m_conference->setCandidateMode(identification->useTrickleIce() ? CandidateMode::Late : CandidateMode::Early);
    m_conference->setSuppressPrivateCandidates(true);
    m_conference->setSuppressRelayCandidates(true);

    std::weak_ptr<KVNOrvelHandler> weak = self();
    m_conference->addOnUnhandledException([weak](const UnhandledExceptionArgs& args) {
        KVNLog("Orvel: Unhandled exception, Exception: %@\n", args.exception.message);
        kvn::postToMainQueue(weak, [](KVNOrvelHandler& self) {
            self.failWithError(KavoniErrorPrivate::kavoniInternalErrorWithCode(KavoniErrorCode::ConferenceException));
        });
    });
    m_conference->addOnLinkInit([weak](const LinkInitArgs& args) {
        KVNLog("Orvel: Successfully initialized");
        auto self = weak.lock();
        if (!self)
            return;
        {
            std::lock_guard hold(self->m_remoteLock);
            self->m_remoteVideoControl = args.link->remoteVideoView();
        }
        kvn::postToMainQueue(weak, [](KVNOrvelHandler& self) {
            if (auto delegate = self.delegate())
                delegate->webRTCHandler_didCreateRemoteVideoControl(self.self(), self.remoteVideoControl());
        });
    });
    m_conference->addOnLinkCandidate([weak](const LinkCandidateArgs& args) {
        kvn::postToMainQueue(weak, [candidate = args.candidate](KVNOrvelHandler& self) { self.sendCandidateToBackend(candidate); });
    });
    m_conference->addOnLinkUp([weak](const LinkUpArgs& args) {
        if (auto self = weak.lock())
            self->onOrvelUp(args);
    });
    m_conference->addOnLinkDown([weak](const LinkDownArgs& args) {
        KVNLog("Orvel: Down, Exception: %@\n", args.exception.message);
        kvn::postToMainQueue(weak, [args](KVNOrvelHandler& self) { self.onOrvelDown(args); });
    });
    m_conference->addOnLinkOfferAnswer([weak](const LinkOfferAnswerArgs& args) {
        kvn::postToMainQueue(weak, [args](KVNOrvelHandler& self) { self.onLinkOfferAnswer(args); });
    });

    linkToConference();
}

void KVNOrvelHandler::linkToConference()
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_conference || !videoSessionToken())
        return;
    // Started without a video session (a user notified from the waiting list): there is no
    // conference on the server to offer to.
    if (videoSessionToken()->empty() || videoSessionID().value_or("").empty()) {
        KVNLogLocated(__FILE__, __LINE__, "Orvel: no video session to link to");
        failWithError(KavoniErrorPrivate::kavoniInternalErrorWithCode(KavoniErrorCode::SDPOfferExchangeFailed));
        return;
    }
    m_conference->link(*videoSessionToken());
}

void KVNOrvelHandler::onOrvelUp(const LinkUpArgs& event)
{
    std::weak_ptr<KVNOrvelHandler> weak = self();
    // The stopwatch is the main thread's: it is stopped there, not on the stack's thread.
    kvn::postToMainQueue(weak, [](KVNOrvelHandler&) {
        const auto since = stopStopwatch();
        KVNLog("Orvel: Sucessfully connected (linked up) [%d:%d]\n", since.seconds, since.hundredths);
    });
    if (!linkPassesChecks(event.link)) {
        KVNLog("server certificate validation error");
        // The unlink's own link-down only logs, so the refusal is reported here: as a failed
        // call the user may retry or close, never as a network drop that waits for a re-link
        // the same server would fail again.
        kvn::postToMainQueue(weak, [](KVNOrvelHandler& self) {
            if (!self.m_orvelInitialized)
                return;
            if (self.m_conference)
                self.m_conference->unlinkAll();
            self.failWithError(KavoniErrorPrivate::kavoniInternalErrorWithCode(KavoniErrorCode::ConferenceException));
        });
        return;
    }
    kvn::postToMainQueue(weak, [](KVNOrvelHandler& self) {
        if (auto delegate = self.orvelDelegate())
            delegate->orvelHandlerDidLinkUp_withRemoteVideoControl(self.self(), self.remoteVideoControl());
    });
}

bool KVNOrvelHandler::linkPassesChecks(const std::shared_ptr<PeerLink>& link)
{
    auto provider = certificateProvider();
    if (!provider)
        return true;
    const bool certificateFeature = provider->featureServerCert();
    const bool fingerprintFeature = provider->featureFingerPrint();
    const bool verdict = certificateFeature ? checkServerCertificate(link) : true;
    if (!fingerprintFeature)
        return verdict;
    // With both features on, a pinned digest does not excuse a certificate the host refused.
    return checkServerFingerprint(link) && verdict;
}

bool KVNOrvelHandler::checkServerCertificate(const std::shared_ptr<PeerLink>& link)
{
    auto provider = certificateProvider();
    if (!provider)
        return true;
    return provider->verfiyServerCertificate(link ? link->peerCertificate() : std::nullopt);
}

bool KVNOrvelHandler::checkServerFingerprint(const std::shared_ptr<PeerLink>& link)
{
    auto provider = certificateProvider();
    if (!provider)
        return true;
    const auto peer = link ? link->peerCertificate() : std::nullopt;
    const NSData digest = calcSHA256FingerPrint(peer.value_or(NSData()));
    const auto pinned = provider->provideServerFingerPrintByteStream();
    return pinned && *pinned == digest;
}

NSData KVNOrvelHandler::calcSHA256FingerPrint(const NSData& data) { return KavoniCertificate::calcSHA256FingerPrint(data); }

void KVNOrvelHandler::sendCandidateToBackend(const CandidateMessage& candidate)
{
    KVN_ASSERT_MAIN_THREAD();
    JSONValue body = JSONValue::object();
    body["sdpCandidateAttribute"] = candidate.sdpCandidateAttribute;
    body["sdpMediaIndex"] = candidate.sdpMediaIndex.value_or(0);
    KVNRequestManager::sharedManager()->POSTCandidate_forSessionID_token_callback(
        body, videoSessionID().value_or(""), videoSessionToken().value_or(""), [](const std::shared_ptr<NSError>& error) {
            if (error)
                KVNLogLocated(__FILE__, __LINE__, "TRICKLE ICE: sendCandidateToBackend failed: %@", error);
        });
}

void KVNOrvelHandler::onLinkOfferAnswer(const LinkOfferAnswerArgs& event)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_orvelInitialized || !m_conference)
        return;
    if (m_SDPOfferTask) {
        m_SDPOfferTask->cancel();
        m_SDPOfferTask.reset();
    }
    const auto& message = event.offerAnswer;
    JSONValue body = JSONValue::object();
    body["tieBreaker"] = message.tieBreaker;
    body["isOffer"] = message.isOffer;
    body["sdpMessage"] = message.sdpMessage;

    const auto since = stopStopwatch();
    KVNLogLocated(__FILE__, __LINE__, "---->> SENDING SDP TO SERVER [%d:%d]: %@ ", since.seconds, since.hundredths, message.sdpMessage);

    if (m_conference->candidateMode() == CandidateMode::Early && message.sdpMessage.find("a=candidate") == std::string::npos) {
        if (m_conference->earlyCandidatesTimeout() < kEarlyCandidatesTimeoutLimit) {
            const int timeout = m_conference->earlyCandidatesTimeout() + kEarlyCandidatesTimeoutStep;
            m_conference->setEarlyCandidatesTimeout(timeout);
            KVNLog("SDP contains no candidates! Retrying with higher timeout of %d.\n", timeout);
            linkToConference();
        } else {
            failWithError(KavoniErrorPrivate::kavoniInternalErrorWithCode(KavoniErrorCode::SDPOfferExchangeFailed));
        }
        return;
    }

    std::weak_ptr<KVNOrvelHandler> weak = self();
    m_SDPOfferTask = KVNRequestManager::sharedManager()->POSTSDPOffer_forSessionID_token_callback(
        body, videoSessionID().value_or(""), videoSessionToken().value_or(""),
        [weak, event](const std::optional<std::string>& answer, const std::shared_ptr<NSURLSessionTask>& task,
                      const std::shared_ptr<NSError>& error) {
            if (auto self = weak.lock())
                self->handleAnswer(answer, task, error);
        });
}

void KVNOrvelHandler::handleAnswer(const std::optional<std::string>& answer, const std::shared_ptr<NSURLSessionTask>& task,
                                   const std::shared_ptr<NSError>& error)
{
    if (!m_orvelInitialized)
        return;
    m_SDPOfferTask.reset();
    if (!answer || error) {
        failWithError(
            KavoniErrorPrivate::kavoniInternalErrorWithCode_underlyingError_task(KavoniErrorCode::SDPOfferExchangeFailed, error, task));
        return;
    }
    const auto since = stopStopwatch();
    KVNLogLocated(__FILE__, __LINE__, "<<---- RECEIVING SDP FROM SERVER [%d:%d]: %@ ", since.seconds, since.hundredths, *answer);
    // An answer the conference cannot work with ends the set-up here, not in a link that
    // never comes up.
    auto message = SdpExchangeMessage::fromJson(*answer);
    std::optional<std::string> refused;
    if (!message)
        refused = "the answer is no SDP exchange message";
    else if (m_conference && videoSessionToken())
        refused = m_conference->receiveOfferAnswer(*message, *videoSessionToken());
    if (refused) {
        KVNLogLocated(__FILE__, __LINE__, "Orvel: SDP answer refused: %@", *refused);
        failWithError(
            KavoniErrorPrivate::kavoniInternalErrorWithCode_underlyingError_task(KavoniErrorCode::SDPOfferExchangeFailed, nullptr, task));
    }
}

void KVNOrvelHandler::onOrvelDown(const LinkDownArgs& event)
{
    KVN_ASSERT_MAIN_THREAD();
    const std::string& message = event.exception.message;
    if (message.rfind("Unlink invoked", 0) == 0) {
        KVNLogLocated(__FILE__, __LINE__, "Orvel: Orvel unlinked by application");
        return;
    }
    if (!m_orvelInitialized)
        return;
    KVNLogLocated(__FILE__, __LINE__, "Orvel: Connection lost due to internet connection problem (Exception: %@)", message);
    failWithError(KavoniErrorPrivate::kavoniInternalErrorWithCode(KavoniErrorCode::MediaLinkLost));
    armRelinkTimer();
}

void KVNOrvelHandler::armRelinkTimer()
{
    std::weak_ptr<KVNOrvelHandler> weak = self();
    m_timer->executeAfterSeconds_repeats_action(kRelinkCheckInterval, true, [weak] {
        auto self = weak.lock();
        if (!self)
            return;
        if (!self->m_orvelInitialized) {
            self->m_timer->cancel();
            return;
        }
        auto application = UIApplication::sharedApplication();
        const bool active = application && application->applicationState() == UIApplicationState::Active;
        if (KVNNetworkReachability::reachable() != KVNNetworkReachability::NotReachable && active) {
            KVNLogLocated(__FILE__, __LINE__, "Orvel: Internet connection established. Trying to re-connect to video stream.");
            self->m_timer->cancel();
            self->linkToConference();
        } else {
            KVNLogLocated(__FILE__, __LINE__,
                          "Orvel: Reconnect not possible. No internet connection and/or application is not active. Checking again in about "
                          "2 seconds.");
        }
    });
}

void KVNOrvelHandler::failWithError(const std::shared_ptr<NSError>& error)
{
    if (auto delegate = this->delegate())
        delegate->webRTCHandler_didFailWithError(self(), error);
}

void KVNOrvelHandler::createScreenshot() { createScreenshotFromLocalMedia(m_localMedia); }

void KVNOrvelHandler::reset()
{
    KVN_ASSERT_MAIN_THREAD();
    m_orvelInitialized = false;
    if (m_timer)
        m_timer->cancel();
    if (m_conference)
        m_conference->unlinkAll();
    if (auto view = localVideoControl())
        view->removeFromSuperview();
    if (auto view = remoteVideoControl())
        view->removeFromSuperview();
    if (m_localMedia)
        m_localMedia->stop();
    m_localMedia.reset();
}

long KVNOrvelHandler::localCameraPosition() const { return cameraPositionOfLocalMedia(m_localMedia); }

void KVNOrvelHandler::setLocalCameraPosition(long position)
{
    KVN_ASSERT_MAIN_THREAD();
    auto stream = m_localMedia ? m_localMedia->localMediaStream() : nullptr;
    auto provider = stream ? stream->cameraProvider() : nullptr;
    if (!provider || !provider->captureSession())
        return;
    const long wanted = position == CameraPositionBack ? CameraPositionBack : CameraPositionFront;
    if (wanted == localCameraPosition())
        return;
    // The other camera may not take the current preset; the still-image set-up after the
    // switch chooses one anew.
    provider->captureSession()->setSessionPreset(AVCaptureSessionPresetInputPriority);
    switchLocalCamera(m_localMedia, position);
}
