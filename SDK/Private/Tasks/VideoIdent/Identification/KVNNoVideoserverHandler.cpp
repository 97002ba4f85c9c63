#include "Private/Tasks/VideoIdent/Identification/KVNNoVideoserverHandler.h"

#include <mutex>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "MediaStack/Views/LocalPreviewView.h"
#include "MediaStack/AudioStreamDescription.h"
#include "MediaStack/ConsoleLogSink.h"
#include "MediaStack/MediaStackLog.h"
#include "MediaStack/VideoStreamDescription.h"
#include "Private/Helper/KVNLog.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelLocalMedia.h"
#include "UIKit/UIView.h"
#include "codecs/OpusCodec.h"
#include "codecs/Vp8Codec.h"

namespace {

std::once_flag& setupOnce()
{
    static std::once_flag flag;
    return flag;
}

} // namespace

std::shared_ptr<KVNNoVideoserverHandler> KVNNoVideoserverHandler::self()
{
    return std::static_pointer_cast<KVNNoVideoserverHandler>(shared_from_this());
}

void KVNNoVideoserverHandler::initWithDelegate(const std::shared_ptr<KVNWebRTCHandlerDelegate>& delegate)
{
    KVNWebRTCHandler::initWithDelegate(delegate);
    std::call_once(setupOnce(), [this] { setup(); });
}

void KVNNoVideoserverHandler::setup()
{
    MediaStackLog::setSink(std::make_shared<ConsoleLogSink>(LogLevel::Info));
    VideoStreamDescription::registerCodec(
        "VP8", [] { return std::make_shared<Vp8Codec>(); }, true);
    AudioStreamDescription::registerCodec(
        "opus", 48000, 2, [] { return std::make_shared<OpusCodec>(); }, true);
}

void KVNNoVideoserverHandler::startWithSessionID_sessionToken(const std::string& sessionID, const std::string& sessionToken)
{
    KVNWebRTCHandler::startWithSessionID_sessionToken(sessionID, sessionToken);
    auto media = std::make_shared<KVNOrvelLocalMedia>();
    m_localMedia = media;
    media->startWithCallback([handler = self(), media](std::shared_ptr<LocalPreviewView> preview, std::exception_ptr failure) mutable {
        if (failure || !preview)
            KVNLogLocated(__FILE__, __LINE__, "Orvel: Starting local media failed: %@", failureReason(failure));
        kvn::postToMainQueue(std::move(handler), [media, preview, failure](KVNNoVideoserverHandler& self) {
            // Media that a reset let go of is not shown.
            if (self.m_localMedia != media) {
                media->stop();
                return;
            }
            // Without camera and microphone there is no call to report as up: the driver
            // hears of the failure as from the media-stack handler.
            if (failure || !preview) {
                self.m_localMediaFailed = true;
                auto error = KavoniErrorPrivate::kavoniInternalErrorWithCode(KavoniErrorCode::LocalMediaStartFailed);
                if (auto delegate = self.delegate())
                    delegate->webRTCHandler_didFailWithError(self.self(), error);
                return;
            }
            self.setLocalVideoControl(preview);
            if (auto delegate = self.delegate())
                delegate->webRTCHandler_didCreateLocalVideoControl(self.self(), preview);
        });
    });
}

void KVNNoVideoserverHandler::startConference()
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_localMediaFailed) {
        KVNLogLocated(__FILE__, __LINE__, "NoVideoserver: not linked up, the local media failed to start");
        return;
    }
    KVNLogLocated(__FILE__, __LINE__, "NoVideoserver: Sucessfully connected (linked up)");
    if (auto delegate = std::dynamic_pointer_cast<KVNNoVideoserverHandlerDelegate>(this->delegate()))
        delegate->noVideoserverHandlerDidLinkUp(self());
}

void KVNNoVideoserverHandler::createScreenshot() { createScreenshotFromLocalMedia(m_localMedia); }

void KVNNoVideoserverHandler::reset()
{
    KVN_ASSERT_MAIN_THREAD();
    if (auto view = localVideoControl())
        view->removeFromSuperview();
    if (m_localMedia)
        m_localMedia->stop();
    m_localMedia.reset();
    m_localMediaFailed = false;
}

long KVNNoVideoserverHandler::localCameraPosition() const { return cameraPositionOfLocalMedia(m_localMedia); }

void KVNNoVideoserverHandler::setLocalCameraPosition(long position)
{
    KVN_ASSERT_MAIN_THREAD();
    switchLocalCamera(m_localMedia, position);
}
