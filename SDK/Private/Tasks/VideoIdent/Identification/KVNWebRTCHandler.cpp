#include "Private/Tasks/VideoIdent/Identification/KVNWebRTCHandler.h"

#include "Foundation/MainThreadChecker.h"
#include "MediaStack/Capture/LocalCaptureStream.h"
#include "MediaStack/Views/VideoRenderView.h"
#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelLocalMedia.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UIView.h"

void KVNWebRTCHandler::initWithDelegate(const std::shared_ptr<KVNWebRTCHandlerDelegate>& delegate)
{
    KVN_ASSERT_MAIN_THREAD();
    m_delegate = delegate;
}

void KVNWebRTCHandler::startWithSessionID_sessionToken(const std::string& sessionID, const std::string& sessionToken)
{
    KVN_ASSERT_MAIN_THREAD();
    m_videoSessionID = sessionID;
    m_videoSessionToken = sessionToken;
}

void KVNWebRTCHandler::setLocalVideoControl(const std::shared_ptr<UIView>& view)
{
    KVN_ASSERT_MAIN_THREAD();
    m_localVideoControl = view;
    if (!view)
        return;
    for (const auto& recognizer : std::vector(view->gestureRecognizers()))
        view->removeGestureRecognizer(recognizer);
    std::weak_ptr<KVNWebRTCHandler> weak = weak_from_this();
    auto tap = std::make_shared<UITapGestureRecognizer>();
    tap->initWithTarget_action(shared_from_this(), [weak](const std::shared_ptr<UIGestureRecognizer>& recognizer) {
        if (auto self = weak.lock())
            self->tappedOnLocaleVideoControl(std::dynamic_pointer_cast<UITapGestureRecognizer>(recognizer));
    });
    view->addGestureRecognizer(tap);
}

void KVNWebRTCHandler::tappedOnLocaleVideoControl(const std::shared_ptr<UITapGestureRecognizer>& recognizer)
{
    KVN_ASSERT_MAIN_THREAD();
    if (localCameraPosition() != CameraPositionBack || !recognizer)
        return;
    auto view = recognizer->view();
    if (!view)
        return;
    const CGPoint location = recognizer->locationInView(view);
    // The preview covers its view and crops the picture, so the view's unit point is not the
    // picture's; the camera focuses on the picture's.
    if (auto preview = std::dynamic_pointer_cast<VideoRenderView>(view)) {
        if (auto point = preview->picturePointForViewPoint(location)) {
            KVNExtensions::autofocusPoint(*point);
            return;
        }
    }
    const CGSize size = view->bounds().size;
    if (size.width <= 0 || size.height <= 0)
        return;
    KVNExtensions::autofocusPoint(CGPoint{location.x / size.width, location.y / size.height});
}

long KVNWebRTCHandler::cameraPositionOfLocalMedia(const std::shared_ptr<KVNOrvelLocalMedia>& media)
{
    auto stream = media ? media->localMediaStream() : nullptr;
    if (stream && stream->videoDeviceNumber() == stream->rearVideoDeviceNumber())
        return CameraPositionBack;
    return CameraPositionFront;
}

void KVNWebRTCHandler::switchLocalCamera(const std::shared_ptr<KVNOrvelLocalMedia>& media, long position)
{
    auto stream = media ? media->localMediaStream() : nullptr;
    if (!stream || position == cameraPositionOfLocalMedia(media))
        return;
    stream->switchVideoDevice(position == CameraPositionBack ? stream->rearVideoDeviceNumber() : stream->frontVideoDeviceNumber());
    media->setupImageCaptureOutput();
}

void KVNWebRTCHandler::createScreenshotFromLocalMedia(const std::shared_ptr<KVNOrvelLocalMedia>& media)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!media)
        return;
    media->createScreenshot([handler = shared_from_this()](const std::shared_ptr<UIImage>& image, bool success) {
        if (auto delegate = handler->delegate())
            delegate->webRTCHandler_didCreateScreenshot_withSuccess(handler, image, success);
    });
}

std::string KVNWebRTCHandler::failureReason(std::exception_ptr failure)
{
    try {
        if (failure)
            std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
    }
    return "unknown failure";
}
