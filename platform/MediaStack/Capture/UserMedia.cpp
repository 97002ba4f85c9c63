#include <atomic>

#include "AVFoundation/AVAudioSession.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/SyntheticCameraPicture.h"
#include "Foundation/Dispatch.h"
#include "Foundation/RunLoopClock.h"
#include "MediaStack/Capture/CameraCapture.h"
#include "MediaStack/Capture/DeviceCaptureStream.h"
#include "MediaStack/Capture/MediaRequest.h"
#include "MediaStack/Capture/MicrophoneCapture.h"
#include "MediaStack/Capture/UserMediaException.h"
#include "MediaStack/Net/MediaThread.h"
#include "MediaStack/Views/LocalPreviewView.h"

namespace {

constexpr int kMaximumFrameRate = 60;

std::atomic<int> g_defaultRemoteVideoScale{VideoLayoutScaleFit};

// Cameras keep the world's time, so the service's thread does not follow a test's clock.
// The process-wide state its work reaches (the permission store, the global queues) is made
// before the thread, so that at exit the thread is stopped and joined before that state goes.
media::MediaThread& userMediaThread()
{
    static const auto thread = [] {
        AVCaptureDevice::authorizationStatusForMediaType(AVMediaTypeVideo);
        dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0);
        return media::MediaThread::create(std::make_shared<MonotonicClock>());
    }();
    return *thread;
}

void answer(const std::shared_ptr<MediaRequest>& request, std::shared_ptr<LocalCaptureStream> stream,
            std::shared_ptr<LocalPreviewView> preview, std::exception_ptr failure)
{
    // Whatever the completion holds is let go once it has answered.
    auto completion = std::move(request->completion);
    request->completion = nullptr;
    if (completion)
        completion(std::move(stream), std::move(preview), std::move(failure));
}

void fail(const std::shared_ptr<MediaRequest>& request, const std::string& name, const std::string& reason)
{
    answer(request, nullptr, nullptr, std::make_exception_ptr(media::UserMediaException(name, reason)));
}

bool validSize(const MediaRequest& request)
{
    return request.width > 0 && request.height > 0 && request.width <= kvn::SyntheticCameraPicture::maximumSide &&
        request.height <= kvn::SyntheticCameraPicture::maximumSide && request.frameRate > 0 && request.frameRate <= kMaximumFrameRate;
}

void proceed(const std::shared_ptr<MediaRequest>& request);

// False when the request has to wait for the user's answer or has failed.
bool allowed(const std::shared_ptr<MediaRequest>& request, const AVMediaType& mediaType, const char* deviceName)
{
    switch (AVCaptureDevice::authorizationStatusForMediaType(mediaType)) {
    case AVAuthorizationStatusAuthorized:
        return true;
    case AVAuthorizationStatusNotDetermined:
        AVCaptureDevice::requestAccessForMediaType_completionHandler(
            mediaType, [request](bool) { userMediaThread().post([request] { proceed(request); }); });
        return false;
    default:
        fail(request, "NotAllowedError", std::string("The user has not allowed the ") + deviceName + ".");
        return false;
    }
}

void proceed(const std::shared_ptr<MediaRequest>& request)
{
    if (!request->audio && !request->video)
        return fail(request, "TypeError", "The request asks for neither audio nor video.");
    if (request->video && !validSize(*request))
        return fail(request, "TypeError", "The request asks for a picture size or rate no camera delivers.");

    auto cameras = AVCaptureDevice::devicesWithMediaType(AVMediaTypeVideo);
    if (request->video && cameras.empty())
        return fail(request, "NotFoundError", "There is no camera.");
    if (request->audio && !AVAudioSession::sharedInstance()->isInputAvailable())
        return fail(request, "NotFoundError", "There is no microphone.");
    if (request->video && !allowed(request, AVMediaTypeVideo, "camera"))
        return;
    if (request->audio && !allowed(request, AVMediaTypeAudio, "microphone"))
        return;

    std::shared_ptr<media::CameraCapture> camera;
    if (request->video) {
        // The call shows the user: it starts on the front camera where there is one (the
        // default device is the rear one, which would show the room while the user queues).
        auto device = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
        for (const auto& candidate : cameras) {
            if (candidate->position() == AVCaptureDevicePositionFront) {
                device = candidate;
                break;
            }
        }
        camera = std::make_shared<media::CameraCapture>(device, request->width, request->height, request->frameRate);
        camera->start();
    }
    std::shared_ptr<media::MicrophoneCapture> microphone;
    if (request->audio) {
        microphone = std::make_shared<media::MicrophoneCapture>();
        microphone->start();
    }
    auto stream = std::make_shared<media::DeviceCaptureStream>(std::move(cameras), std::move(camera), std::move(microphone));

    // Made here, off the main thread, and not initialised: a fresh view's frame is already
    // the zero rectangle that init would give, and the main thread sizes it.
    auto preview = std::make_shared<LocalPreviewView>();
    preview->setLayoutScale(request->defaultLocalPreviewScale);
    stream->attachPreview(preview);
    g_defaultRemoteVideoScale = request->defaultRemoteVideoScale;
    answer(request, std::move(stream), std::move(preview), nullptr);
}

} // namespace

void UserMedia::getUserMedia(std::shared_ptr<MediaRequest> request)
{
    if (!request)
        return;
    userMediaThread().post([request = std::move(request)] { proceed(request); });
}

VideoLayoutScale UserMedia::defaultRemoteVideoScale() { return static_cast<VideoLayoutScale>(g_defaultRemoteVideoScale.load()); }
