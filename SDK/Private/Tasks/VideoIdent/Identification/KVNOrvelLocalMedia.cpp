// Placeholder until the local media branch lands: the request goes to the stack's user-media
// service; screenshots fail as for media that is not running.
#include "Private/Tasks/VideoIdent/Identification/KVNOrvelLocalMedia.h"

#include <stdexcept>

#include "MediaStack/Capture/LocalCaptureStream.h"
#include "MediaStack/Capture/MediaRequest.h"
#include "MediaStack/Views/LocalPreviewView.h"

void KVNOrvelLocalMedia::startWithCallback(StartCallback callback)
{
    auto request = std::make_shared<MediaRequest>();
    request->defaultRemoteVideoScale = VideoLayoutScaleCover;
    request->defaultLocalPreviewScale = VideoLayoutScaleCover;
    request->completion = [self = shared_from_this(), callback = std::move(callback)](std::shared_ptr<LocalCaptureStream> stream,
                                                                                      std::shared_ptr<LocalPreviewView> preview,
                                                                                      std::exception_ptr failure) {
        if (failure || !stream) {
            callback(nullptr, failure ? failure : std::make_exception_ptr(std::runtime_error("no local media")));
            return;
        }
        self->m_localMediaStream = std::move(stream);
        callback(preview, nullptr);
    };
    UserMedia::getUserMedia(request);
}

void KVNOrvelLocalMedia::setupImageCaptureOutput() {}

void KVNOrvelLocalMedia::createScreenshot(ScreenshotCallback callback)
{
    if (callback)
        callback(nullptr, false);
}

void KVNOrvelLocalMedia::stop()
{
    if (m_localMediaStream)
        m_localMediaStream->stop();
    m_localMediaStream.reset();
    m_imageOutput.reset();
}
