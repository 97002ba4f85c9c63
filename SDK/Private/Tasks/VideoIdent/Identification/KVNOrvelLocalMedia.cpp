#include "Private/Tasks/VideoIdent/Identification/KVNOrvelLocalMedia.h"

#include "AVFoundation/AVAudioSession.h"
#include "AVFoundation/AVCaptureConnection.h"
#include "AVFoundation/AVCaptureSession.h"
#include "AVFoundation/AVCaptureStillImageOutput.h"
#include "AVFoundation/AVVideoSettings.h"
#include "Foundation/BindToMainQueue.h"
#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "MediaStack/Capture/CameraCaptureProvider.h"
#include "MediaStack/Capture/LocalCaptureStream.h"
#include "MediaStack/Capture/MediaRequest.h"
#include "MediaStack/Views/LocalPreviewView.h"
#include "Private/Extensions/UIImage+KVNExtensions.h"
#include "Private/Helper/KVNLog.h"
#include "UIKit/UIImage.h"

namespace {

// The first of these that the camera's session can take.
const AVCaptureSessionPreset* const kScreenshotPresets[] = {
    &AVCaptureSessionPreset1280x720, &AVCaptureSessionPreset1920x1080, &AVCaptureSessionPresetHigh,
    &AVCaptureSessionPreset640x480,  &AVCaptureSessionPresetMedium,
};

// Every path ends in one call of the completion; an empty one becomes a call that does nothing.
KVNOrvelLocalMedia::ScreenshotCompletion orNothing(KVNOrvelLocalMedia::ScreenshotCompletion completion)
{
    if (!completion)
        return [](std::shared_ptr<UIImage>, bool) {};
    return completion;
}

} // namespace

void KVNOrvelLocalMedia::startWithCallback(StartCallback callback)
{
    KVN_ASSERT_MAIN_THREAD();
    auto request = std::make_shared<MediaRequest>();
    request->audio = true;
    request->video = true;
    request->defaultRemoteVideoScale = VideoLayoutScaleCover;
    request->defaultLocalPreviewScale = VideoLayoutScaleCover;
    request->completion = [self = shared_from_this(), callback = std::move(callback)](std::shared_ptr<LocalCaptureStream> stream,
                                                                                      std::shared_ptr<LocalPreviewView> preview,
                                                                                      std::exception_ptr failure) {
        if (failure || !stream) {
            if (callback)
                callback(nullptr, failure);
            return;
        }
        self->didStart(std::move(stream));
        if (callback)
            callback(std::move(preview), nullptr);
    };

    AVAudioSession::sharedInstance()->setCategory_withOptions_error(
        AVAudioSessionCategoryPlayAndRecord, AVAudioSessionCategoryOptionAllowBluetooth | AVAudioSessionCategoryOptionDefaultToSpeaker,
        nullptr);

    UserMedia::getUserMedia(std::move(request));
}

void KVNOrvelLocalMedia::didStart(std::shared_ptr<LocalCaptureStream> stream)
{
    bool stopped;
    {
        std::lock_guard lock(m_mutex);
        stopped = m_stopped;
        if (!stopped)
            m_localMediaStream = stream;
    }
    // Stopped while the stack was still starting: the camera must not go on running unseen.
    if (stopped) {
        stream->stop();
        return;
    }
    setupImageCaptureOutput();
}

void KVNOrvelLocalMedia::setupImageCaptureOutput()
{
    auto stream = localMediaStream();
    auto provider = stream ? stream->cameraProvider() : nullptr;
    auto session = provider ? provider->captureSession() : nullptr;
    if (!session)
        return;

    for (const auto* preset : kScreenshotPresets) {
        if (session->canSetSessionPreset(*preset)) {
            session->setSessionPreset(*preset);
            break;
        }
    }

    if (auto current = imageOutput())
        session->removeOutput(current);
    auto output = std::make_shared<AVCaptureStillImageOutput>();
    output->setOutputSettings({{AVVideoCodecKey, AVVideoCodecJPEG}});
    setImageOutput(output);
    session->addOutput(output);
}

void KVNOrvelLocalMedia::createScreenshot(ScreenshotCompletion completion)
{
    KVN_ASSERT_MAIN_THREAD();
    completion = orNothing(std::move(completion));
    m_unsuccessfulImageCaptures = 0;
    if (!localMediaStream() || !imageOutput()) {
        KVNLogLocated(__FILE__, __LINE__, "Orvel: Could not create screenshot because of missing media stream or image output.");
        completion(nullptr, false);
        return;
    }
    captureStillImage(std::move(completion));
}

void KVNOrvelLocalMedia::captureStillImage(ScreenshotCompletion completion)
{
    completion = orNothing(std::move(completion));
    auto output = imageOutput();
    auto connection = output ? output->connectionWithMediaType(AVMediaTypeVideo) : nullptr;
    if (!connection) {
        retryCaptureStillImage(std::move(completion));
        return;
    }

    std::weak_ptr<KVNOrvelLocalMedia> weakSelf = weak_from_this();
    // Runs on the capture framework's queue. A failure goes back to the main queue, where the
    // failure count lives and retries are timed, before anything else happens.
    auto retryOnMainQueue = [weakSelf, completion] {
        kvn::postToMainQueue(weakSelf, [completion](KVNOrvelLocalMedia& self) { self.retryCaptureStillImage(completion); });
    };
    output->captureStillImageAsynchronouslyFromConnection_completionHandler(
        connection, [retryOnMainQueue, completion](CMSampleBufferRef buffer, std::shared_ptr<NSError> error) {
            if (!buffer || error) {
                retryOnMainQueue();
                return;
            }
            auto jpeg = AVCaptureStillImageOutput::jpegStillImageNSDataRepresentation(buffer);
            dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [jpeg, completion, retryOnMainQueue] {
                auto decoded = jpeg ? UIImage::imageWithData(*jpeg) : nullptr;
                auto image = KVNExtensions::imageWithImageOrientationUp(decoded);
                // Data that is no picture counts as a failed attempt, never as a screenshot.
                if (!image) {
                    retryOnMainQueue();
                    return;
                }
                dispatch_async(dispatch_get_main_queue(), [image, completion] { completion(image, true); });
            });
        });
}

void KVNOrvelLocalMedia::retryCaptureStillImage(ScreenshotCompletion completion)
{
    KVN_ASSERT_MAIN_THREAD();
    completion = orNothing(std::move(completion));
    if (m_unsuccessfulImageCaptures >= maximumRetries) {
        completion(nullptr, false);
        return;
    }
    auto retry = kvn::bindToMainQueue(weak_from_this(), [completion](KVNOrvelLocalMedia& self) {
        self.m_unsuccessfulImageCaptures += 1;
        self.captureStillImage(completion);
    });
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, static_cast<int64_t>(retryDelaySeconds * NSEC_PER_SEC)), dispatch_get_main_queue(),
                   retry);
}

void KVNOrvelLocalMedia::stop()
{
    std::shared_ptr<LocalCaptureStream> stream;
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        stream = std::move(m_localMediaStream);
        m_localMediaStream = nullptr;
        m_imageOutput = nullptr;
    }
    if (stream)
        stream->stop();
}

std::shared_ptr<LocalCaptureStream> KVNOrvelLocalMedia::localMediaStream() const
{
    std::lock_guard lock(m_mutex);
    return m_localMediaStream;
}

void KVNOrvelLocalMedia::setLocalMediaStream(std::shared_ptr<LocalCaptureStream> stream)
{
    std::lock_guard lock(m_mutex);
    m_localMediaStream = std::move(stream);
}

std::shared_ptr<AVCaptureStillImageOutput> KVNOrvelLocalMedia::imageOutput() const
{
    std::lock_guard lock(m_mutex);
    return m_imageOutput;
}

void KVNOrvelLocalMedia::setImageOutput(std::shared_ptr<AVCaptureStillImageOutput> output)
{
    std::lock_guard lock(m_mutex);
    m_imageOutput = std::move(output);
}
