#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "AVFoundation/AVAudioSession.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVCaptureSession.h"
#include "Foundation/NSRunLoop.h"
#include "MediaStack/Capture/CameraCaptureProvider.h"
#include "MediaStack/Capture/LocalCaptureStream.h"
#include "MediaStack/Capture/MediaRequest.h"
#include "MediaStack/Capture/UserMediaException.h"
#include "MediaStack/Session/AudioSource.h"
#include "MediaStack/Session/VideoSource.h"
#include "MediaStack/Views/LocalPreviewView.h"

namespace {

using Description = AVCaptureDevice::Description;

struct Answer {
    std::shared_ptr<LocalCaptureStream> stream;
    std::shared_ptr<LocalPreviewView> preview;
    std::exception_ptr failure;
    std::thread::id thread;

    std::string failureName() const
    {
        try {
            if (failure)
                std::rethrow_exception(failure);
        } catch (const media::UserMediaException& e) {
            return e.name();
        } catch (...) {
            return "other";
        }
        return "";
    }
};

// Waits in real time, turning the main run loop, for what capture threads do.
bool eventually(const std::function<bool()>& predicate) { return NSRunLoop::mainRunLoop()->spin_until(predicate, 30.0); }

class UserMediaTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset()
    {
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        AVCaptureDevice::resetAuthorizationForTesting();
    }

    static void grantAll()
    {
        AVCaptureDevice::setAuthorizationStatusForTesting(AVMediaTypeVideo, AVAuthorizationStatusAuthorized);
        AVCaptureDevice::setAuthorizationStatusForTesting(AVMediaTypeAudio, AVAuthorizationStatusAuthorized);
    }

    static Answer request(const std::function<void(MediaRequest&)>& configure = {})
    {
        auto mediaRequest = std::make_shared<MediaRequest>();
        if (configure)
            configure(*mediaRequest);
        auto answer = std::make_shared<Answer>();
        auto answers = std::make_shared<std::atomic<int>>(0);
        mediaRequest->completion = [answer, answers](auto stream, auto preview, auto failure) {
            *answer = {stream, preview, failure, std::this_thread::get_id()};
            ++*answers;
        };
        UserMedia::getUserMedia(mediaRequest);
        EXPECT_TRUE(eventually([&] { return answers->load() > 0; }));
        EXPECT_FALSE(mediaRequest->completion) << "the request lets its completion go once it has answered";
        EXPECT_EQ(answers->load(), 1);
        return *answer;
    }
};

TEST_F(UserMediaTest, AnswersOnItsOwnThreadWithARunningStreamAndItsPreview)
{
    grantAll();
    auto answer = request([](MediaRequest& r) { r.defaultLocalPreviewScale = VideoLayoutScaleCover; });
    EXPECT_NE(answer.thread, std::this_thread::get_id()) << "never the caller's (the main) thread";
    ASSERT_TRUE(answer.stream);
    ASSERT_TRUE(answer.preview);
    EXPECT_FALSE(answer.failure);
    EXPECT_EQ(answer.preview->layoutScale(), VideoLayoutScaleCover);

    auto& stream = *answer.stream;
    EXPECT_EQ(stream.videoDeviceNumber(), stream.frontVideoDeviceNumber()) << "the call shows the user";
    EXPECT_NE(stream.rearVideoDeviceNumber(), stream.frontVideoDeviceNumber());
    auto provider = stream.cameraProvider();
    ASSERT_TRUE(provider);
    ASSERT_TRUE(provider->captureSession());
    EXPECT_TRUE(provider->captureSession()->isRunning());

    // Video: I420 frames of the asked size on a capture thread; the preview shows them too.
    std::mutex mutex;
    std::shared_ptr<VideoFrame> lastVideo;
    std::thread::id videoThread;
    auto videoToken = stream.videoSource()->addFrameHandler([&](const std::shared_ptr<VideoFrame>& frame) {
        std::lock_guard lock(mutex);
        lastVideo = frame;
        videoThread = std::this_thread::get_id();
    });
    // Audio: 20 ms of a 440 Hz tone, 48 kHz stereo.
    std::vector<std::shared_ptr<AudioFrame>> audio;
    auto audioToken = stream.audioSource()->addFrameHandler([&](const std::shared_ptr<AudioFrame>& frame) {
        std::lock_guard lock(mutex);
        audio.push_back(frame);
    });
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(mutex);
        return lastVideo && audio.size() >= 3 && answer.preview->framesRendered() >= 2;
    }));
    stream.videoSource()->removeFrameHandler(videoToken);
    stream.audioSource()->removeFrameHandler(audioToken);
    {
        std::lock_guard lock(mutex);
        EXPECT_NE(videoThread, std::this_thread::get_id());
        EXPECT_EQ(lastVideo->width, 320);
        EXPECT_EQ(lastVideo->height, 240);
        EXPECT_EQ(lastVideo->format, VideoFormatI420);
        ASSERT_EQ(lastVideo->planes.size(), 3u);
        EXPECT_EQ(lastVideo->planes[1].stride, 160);

        const auto& frame = *audio[1];
        ASSERT_EQ(frame.length, 960 * 2 * 2);
        auto* samples = reinterpret_cast<const int16_t*>(frame.data->data() + frame.index);
        int crossings = 0;
        for (int i = 1; i < 960; ++i) {
            EXPECT_EQ(samples[2 * i], samples[2 * i + 1]) << "both channels carry the tone";
            crossings += (samples[2 * (i - 1)] < 0) != (samples[2 * i] < 0);
        }
        // 440 Hz over 20 ms: 8.8 periods, two crossings each.
        EXPECT_NEAR(crossings, 17.6, 1.5);
    }
    stream.stop();
}

TEST_F(UserMediaTest, StopEndsDeliveryAndDropsTheCaptureSession)
{
    grantAll();
    auto answer = request();
    ASSERT_TRUE(answer.stream);
    std::atomic<int> frames{0}, sounds{0};
    answer.stream->videoSource()->addFrameHandler([&](const auto&) { ++frames; });
    answer.stream->audioSource()->addFrameHandler([&](const auto&) { ++sounds; });
    ASSERT_TRUE(eventually([&] { return frames > 0 && sounds > 0; }));

    auto session = answer.stream->cameraProvider()->captureSession();
    answer.stream->stop();
    const int framesAtStop = frames, soundsAtStop = sounds;
    EXPECT_FALSE(answer.stream->cameraProvider());
    EXPECT_FALSE(session->isRunning());
    answer.stream->stop(); // again: nothing

    // A source may outlive its stream: whoever still holds it can let go of its handlers late.
    auto video = answer.stream->videoSource();
    const auto framesRendered = answer.preview->framesRendered();
    answer.stream.reset();
    video->removeFrameHandler(1);
    video->removeFrameHandler(12345);
    EXPECT_EQ(frames, framesAtStop);
    EXPECT_EQ(sounds, soundsAtStop);
    EXPECT_EQ(answer.preview->framesRendered(), framesRendered);
}

TEST_F(UserMediaTest, AStopFromInsideAFrameHandlerDoesNotWaitForItself)
{
    grantAll();
    auto answer = request();
    ASSERT_TRUE(answer.stream);
    std::atomic<bool> stopped{false};
    auto* stream = answer.stream.get();
    stream->videoSource()->addFrameHandler([stream, &stopped](const auto&) {
        if (!stopped.exchange(true))
            stream->stop();
    });
    ASSERT_TRUE(eventually([&] { return stopped.load(); }));
    EXPECT_FALSE(stream->cameraProvider());
}

// The call shows the user from its start; a switch shows the other camera's picture.
TEST_F(UserMediaTest, StartsOnTheFrontCameraAndSwitchingChangesThePicture)
{
    grantAll();
    auto answer = request();
    ASSERT_TRUE(answer.stream);
    auto& stream = *answer.stream;
    auto session = stream.cameraProvider()->captureSession();
    ASSERT_EQ(session->videoDevice()->position(), AVCaptureDevicePositionFront);
    EXPECT_EQ(stream.videoDeviceNumber(), stream.frontVideoDeviceNumber());

    // The leftmost bar: white from the rear camera, blue from the front one (Y well apart).
    auto leftLuma = [&] {
        auto frame = answer.preview->latestFrame();
        return frame ? int((*frame->planes[0].data)[static_cast<size_t>(frame->planes[0].stride) * 10 + 5]) : -1;
    };
    ASSERT_TRUE(eventually([&] { return leftLuma() >= 0 && leftLuma() < 60; }));
    stream.switchVideoDevice(stream.rearVideoDeviceNumber());
    EXPECT_EQ(stream.videoDeviceNumber(), stream.rearVideoDeviceNumber());
    EXPECT_EQ(session->videoDevice()->position(), AVCaptureDevicePositionBack);
    ASSERT_TRUE(eventually([&] { return leftLuma() > 200; }));
    stream.switchVideoDevice(stream.frontVideoDeviceNumber());
    EXPECT_EQ(stream.videoDeviceNumber(), stream.frontVideoDeviceNumber());
    EXPECT_EQ(session->videoDevice()->position(), AVCaptureDevicePositionFront);
    EXPECT_TRUE(eventually([&] { return leftLuma() >= 0 && leftLuma() < 60; }));

    for (int number : {-1, 2, 99})
        stream.switchVideoDevice(number); // names no camera: nothing
    EXPECT_EQ(stream.videoDeviceNumber(), stream.frontVideoDeviceNumber());
    stream.stop();
}

TEST_F(UserMediaTest, FailuresAnswerWithTheirReason)
{
    struct Case {
        const char* why;
        std::function<void()> scene;
        std::function<void(MediaRequest&)> configure;
        const char* name;
    } cases[] = {
        {"camera denied",
         [] { AVCaptureDevice::setAuthorizationStatusForTesting(AVMediaTypeVideo, AVAuthorizationStatusDenied); },
         {},
         "NotAllowedError"},
        {"camera restricted",
         [] { AVCaptureDevice::setAuthorizationStatusForTesting(AVMediaTypeVideo, AVAuthorizationStatusRestricted); },
         {},
         "NotAllowedError"},
        {"microphone denied",
         [] { AVCaptureDevice::setAuthorizationStatusForTesting(AVMediaTypeAudio, AVAuthorizationStatusDenied); },
         {},
         "NotAllowedError"},
        {"the user refuses when asked", [] { AVCaptureDevice::setUserAnswerForTesting(AVMediaTypeVideo, false); }, {}, "NotAllowedError"},
        {"no camera", [] { AVCaptureDevice::setDevicesForTesting(std::vector<Description>{}); }, {}, "NotFoundError"},
        {"no microphone", [] { AVAudioSession::sharedInstance()->setInputAvailableForTesting(false); }, {}, "NotFoundError"},
        {"asks for nothing", {}, [](MediaRequest& r) { r.audio = r.video = false; }, "TypeError"},
        {"no picture", {}, [](MediaRequest& r) { r.width = 0; }, "TypeError"},
        {"a picture too large", {}, [](MediaRequest& r) { r.height = 100000; }, "TypeError"},
        {"no frame rate", {}, [](MediaRequest& r) { r.frameRate = -5; }, "TypeError"},
    };
    for (const auto& c : cases) {
        reset();
        grantAll();
        AVCaptureDevice::setAuthorizationStatusForTesting(AVMediaTypeVideo, AVAuthorizationStatusNotDetermined);
        if (c.scene)
            c.scene();
        auto answer = request(c.configure);
        EXPECT_FALSE(answer.stream) << c.why;
        EXPECT_FALSE(answer.preview) << c.why;
        EXPECT_EQ(answer.failureName(), c.name) << c.why;
        EXPECT_NE(answer.thread, std::this_thread::get_id()) << c.why;
    }
}

TEST_F(UserMediaTest, AnUndecidedUserIsAskedOnceForEach)
{
    auto answer = request();
    ASSERT_TRUE(answer.stream);
    EXPECT_EQ(AVCaptureDevice::accessRequestCountForTesting(AVMediaTypeVideo), 1);
    EXPECT_EQ(AVCaptureDevice::accessRequestCountForTesting(AVMediaTypeAudio), 1);
    answer.stream->stop();

    auto videoOnly = request([](MediaRequest& r) { r.audio = false; });
    ASSERT_TRUE(videoOnly.stream);
    EXPECT_FALSE(videoOnly.stream->audioSource());
    EXPECT_EQ(AVCaptureDevice::accessRequestCountForTesting(AVMediaTypeVideo), 1) << "the kept answer is used";
}

TEST_F(UserMediaTest, ANullRequestIsIgnored)
{
    UserMedia::getUserMedia(nullptr);
    grantAll();
    EXPECT_TRUE(request().stream);
}

} // namespace
