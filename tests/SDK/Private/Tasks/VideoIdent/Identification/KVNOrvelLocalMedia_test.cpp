#include "Private/Tasks/VideoIdent/Identification/KVNOrvelLocalMedia.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "AVFoundation/AVAudioSession.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVCaptureSession.h"
#include "AVFoundation/AVCaptureStillImageOutput.h"
#include "MediaStack/Capture/CameraCaptureProvider.h"
#include "MediaStack/Capture/LocalCaptureStream.h"
#include "MediaStack/Capture/MediaRequest.h"
#include "MediaStack/Capture/UserMediaException.h"
#include "MediaStack/Views/LocalPreviewView.h"
#include "UIKit/UIImage.h"
#include "support/ManualClockFixture.h"

namespace {

using Description = AVCaptureDevice::Description;

// A running camera without capture threads: a session with a camera input that the still
// output can take pictures from.
class StillCameraStream : public LocalCaptureStream, public CameraCaptureProvider, public std::enable_shared_from_this<StillCameraStream> {
public:
    explicit StillCameraStream(Description camera = Description::backCamera())
    {
        m_session->addInput(std::make_shared<AVCaptureDeviceInput>(std::make_shared<AVCaptureDevice>(camera)));
        m_session->startRunning();
    }

    std::shared_ptr<AVCaptureSession> session() const { return m_session; }
    bool stopped() const { return m_stopped; }

    std::shared_ptr<media::VideoSource> videoSource() const override { return nullptr; }
    std::shared_ptr<media::AudioSource> audioSource() const override { return nullptr; }
    std::shared_ptr<CameraCaptureProvider> cameraProvider() const override
    {
        return m_stopped ? nullptr : std::const_pointer_cast<StillCameraStream>(shared_from_this());
    }
    std::shared_ptr<AVCaptureSession> captureSession() const override { return m_session; }
    int videoDeviceNumber() const override { return 0; }
    int rearVideoDeviceNumber() const override { return 0; }
    int frontVideoDeviceNumber() const override { return 1; }
    void switchVideoDevice(int) override {}
    void stop() override
    {
        m_stopped = true;
        m_session->stopRunning();
    }

private:
    std::shared_ptr<AVCaptureSession> m_session = std::make_shared<AVCaptureSession>();
    bool m_stopped = false;
};

struct Report {
    std::shared_ptr<UIImage> image;
    bool success = false;
    bool onMainThread = false;
};

class OrvelLocalMediaTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        resetDevices();
        media = std::make_shared<KVNOrvelLocalMedia>();
    }

    void TearDown() override
    {
        if (media)
            media->stop();
        resetDevices();
        ManualClockFixture::TearDown();
    }

    static void resetDevices()
    {
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        AVCaptureDevice::resetAuthorizationForTesting();
    }

    // Real capture threads: wait for them by turning the main loop, bounded in real time.
    bool eventually(const std::function<bool()>& predicate) { return loop->spin_until(predicate, 30.0); }

    std::shared_ptr<StillCameraStream> runOnStillCamera(Description camera = Description::backCamera())
    {
        auto stream = std::make_shared<StillCameraStream>(camera);
        media->setLocalMediaStream(stream);
        media->setupImageCaptureOutput();
        return stream;
    }

    void screenshot()
    {
        media->createScreenshot([this](std::shared_ptr<UIImage> image, bool success) {
            reports.push_back({image, success, NSRunLoop::isMainThread()});
        });
    }

    bool retryPending() const
    {
        double fireAt;
        return loop->nextTimerDate(fireAt);
    }

    // Lets a failing screenshot run: each failure comes back and waits its 0.1 s on the
    // clock, which the test then gives it. Returns how many waits there were.
    int runRetries(size_t reportsBefore = 0)
    {
        int waits = 0;
        while (eventually([&] { return retryPending() || reports.size() > reportsBefore; }) && reports.size() == reportsBefore) {
            const long attempts = media->imageOutput()->captureCountForTesting();
            runFor(0.09);
            EXPECT_EQ(media->imageOutput()->captureCountForTesting(), attempts) << "no attempt before 0.1 s";
            runFor(0.01);
            ++waits;
        }
        return waits;
    }

    std::shared_ptr<KVNOrvelLocalMedia> media;
    std::vector<Report> reports;
};

TEST_F(OrvelLocalMediaTest, StartingGivesThePreviewOnTheStacksThreadAndScreenshotsComeFromTheCamera)
{
    std::atomic<bool> called{false};
    std::shared_ptr<LocalPreviewView> preview;
    std::exception_ptr failure;
    std::thread::id thread;
    media->startWithCallback([&](std::shared_ptr<LocalPreviewView> view, std::exception_ptr exception) {
        preview = view;
        failure = exception;
        thread = std::this_thread::get_id();
        called = true;
    });
    EXPECT_EQ(AVAudioSession::sharedInstance()->category(), AVAudioSessionCategoryPlayAndRecord);
    EXPECT_EQ(AVAudioSession::sharedInstance()->categoryOptions(), 12u);
    ASSERT_TRUE(eventually([&] { return called.load(); }));
    EXPECT_NE(thread, std::this_thread::get_id());
    ASSERT_TRUE(preview);
    EXPECT_FALSE(failure);
    EXPECT_EQ(preview->layoutScale(), VideoLayoutScaleCover);
    EXPECT_EQ(UserMedia::defaultRemoteVideoScale(), VideoLayoutScaleCover);

    ASSERT_TRUE(media->localMediaStream());
    ASSERT_TRUE(media->imageOutput());
    auto session = media->localMediaStream()->cameraProvider()->captureSession();
    EXPECT_EQ(session->sessionPreset(), AVCaptureSessionPreset1280x720);
    EXPECT_EQ(media->imageOutput()->session(), session);

    screenshot();
    ASSERT_TRUE(eventually([&] { return !reports.empty(); }));
    loop->pump();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].success);
    EXPECT_TRUE(reports[0].onMainThread);
    ASSERT_TRUE(reports[0].image);
    EXPECT_EQ(reports[0].image->size(), CGSizeMake(1280, 720));
    EXPECT_EQ(reports[0].image->imageOrientation(), UIImageOrientationUp);
}

TEST_F(OrvelLocalMediaTest, AFailedStartGivesTheStacksExceptionAndLeavesNothingToScreenshot)
{
    AVCaptureDevice::setAuthorizationStatusForTesting(AVMediaTypeVideo, AVAuthorizationStatusDenied);
    std::atomic<bool> called{false};
    std::shared_ptr<LocalPreviewView> preview;
    std::exception_ptr failure;
    media->startWithCallback([&](std::shared_ptr<LocalPreviewView> view, std::exception_ptr exception) {
        preview = view;
        failure = exception;
        called = true;
    });
    ASSERT_TRUE(eventually([&] { return called.load(); }));
    EXPECT_FALSE(preview);
    ASSERT_TRUE(failure);
    EXPECT_THROW(std::rethrow_exception(failure), media::UserMediaException);
    EXPECT_FALSE(media->localMediaStream());

    screenshot();
    ASSERT_EQ(reports.size(), 1u) << "at once, on the caller's thread";
    EXPECT_FALSE(reports[0].success);
}

TEST_F(OrvelLocalMediaTest, AStopBeforeTheStackAnswersStopsTheStreamWhenItComes)
{
    std::atomic<bool> called{false};
    media->startWithCallback([&](std::shared_ptr<LocalPreviewView>, std::exception_ptr) { called = true; });
    media->stop();
    ASSERT_TRUE(eventually([&] { return called.load(); }));
    EXPECT_FALSE(media->localMediaStream());
    EXPECT_FALSE(media->imageOutput());
}

TEST_F(OrvelLocalMediaTest, TheSessionGetsTheFirstPresetItsCameraCanTake)
{
    const std::vector<AVCaptureSessionPreset> order = {AVCaptureSessionPreset1280x720, AVCaptureSessionPreset1920x1080,
                                                       AVCaptureSessionPresetHigh, AVCaptureSessionPreset640x480,
                                                       AVCaptureSessionPresetMedium};
    struct Case {
        size_t unsupported; // the first this many of the order
        AVCaptureSessionPreset expected;
    } cases[] = {
        {0, AVCaptureSessionPreset1280x720}, {1, AVCaptureSessionPreset1920x1080},
        {2, AVCaptureSessionPresetHigh},     {3, AVCaptureSessionPreset640x480},
        {4, AVCaptureSessionPresetMedium},   {5, AVCaptureSessionPresetInputPriority}, // none fits: the preset stays
    };
    for (const auto& c : cases) {
        Description camera = Description::backCamera();
        camera.unsupportedSessionPresets.assign(order.begin(), order.begin() + c.unsupported);
        auto stream = std::make_shared<StillCameraStream>(camera);
        stream->session()->setSessionPreset(AVCaptureSessionPresetInputPriority);
        media->setLocalMediaStream(stream);
        media->setupImageCaptureOutput();
        EXPECT_EQ(stream->session()->sessionPreset(), c.expected) << c.unsupported << " unsupported";
    }
}

TEST_F(OrvelLocalMediaTest, SettingUpAgainReplacesTheOutput)
{
    auto stream = runOnStillCamera();
    auto first = media->imageOutput();
    media->setupImageCaptureOutput();
    auto second = media->imageOutput();
    ASSERT_TRUE(second);
    EXPECT_NE(first, second);
    EXPECT_FALSE(first->session());
    EXPECT_EQ(stream->session()->outputs(), std::vector<std::shared_ptr<AVCaptureOutput>>{second});

    media->setLocalMediaStream(std::make_shared<StillCameraStream>());
    media->localMediaStream()->stop();
    media->setupImageCaptureOutput(); // a stopped stream has no camera session: nothing changes
    EXPECT_EQ(media->imageOutput(), second);
}

TEST_F(OrvelLocalMediaTest, FiveFailedCapturesGiveOneFailureOnTheMainQueueAfterFourWaits)
{
    runOnStillCamera();
    media->imageOutput()->failNextCapturesForTesting(5);
    screenshot();
    EXPECT_EQ(runRetries(), 4);
    EXPECT_DOUBLE_EQ(clock->now(), 0.4);
    EXPECT_EQ(media->imageOutput()->captureCountForTesting(), 5);
    runFor(1.0);
    loop->pump();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].success);
    EXPECT_FALSE(reports[0].image);
    EXPECT_TRUE(reports[0].onMainThread) << "a failure is reported on the main queue, not the capture queue";
    EXPECT_EQ(media->unsuccessfulImageCaptures(), 4);
}

TEST_F(OrvelLocalMediaTest, ASuccessOnTheFifthAttemptIsASuccess)
{
    runOnStillCamera();
    media->imageOutput()->failNextCapturesForTesting(4);
    screenshot();
    EXPECT_EQ(runRetries(), 4);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].success);
    EXPECT_TRUE(reports[0].image);
    EXPECT_TRUE(reports[0].onMainThread);
}

TEST_F(OrvelLocalMediaTest, AStillImageThatDoesNotDecodeIsAFailedAttemptNotAScreenshot)
{
    runOnStillCamera();
    media->imageOutput()->failNextCapturesForTesting(1, AVCaptureStillImageOutput::CaptureFault::DamagedData);
    screenshot();
    EXPECT_EQ(runRetries(), 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].success);
    EXPECT_TRUE(reports[0].image);

    media->imageOutput()->failNextCapturesForTesting(5, AVCaptureStillImageOutput::CaptureFault::DamagedData);
    screenshot();
    EXPECT_EQ(runRetries(1), 4);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports[1].success);
    EXPECT_FALSE(reports[1].image);
}

TEST_F(OrvelLocalMediaTest, ANewScreenshotGetsFiveAttemptsAgain)
{
    runOnStillCamera();
    media->imageOutput()->failNextCapturesForTesting(5);
    screenshot();
    runRetries();
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_FALSE(reports[0].success);

    media->imageOutput()->failNextCapturesForTesting(4);
    screenshot();
    EXPECT_EQ(media->unsuccessfulImageCaptures(), 0);
    EXPECT_EQ(runRetries(1), 4);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(reports[1].success);
}

TEST_F(OrvelLocalMediaTest, AScreenshotAfterStopFailsAtOnce)
{
    auto stream = runOnStillCamera();
    media->stop();
    EXPECT_TRUE(stream->stopped());
    EXPECT_FALSE(media->localMediaStream());
    EXPECT_FALSE(media->imageOutput());
    screenshot();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].success);
    EXPECT_TRUE(reports[0].onMainThread);
    media->createScreenshot(nullptr); // no completion to call: nothing happens
}

TEST_F(OrvelLocalMediaTest, AScreenshotWithoutACompletionRunsToItsEnd)
{
    runOnStillCamera();
    auto output = media->imageOutput();
    output->failNextCapturesForTesting(5);
    media->createScreenshot(nullptr);
    for (int wait = 0; wait < 4; ++wait) {
        ASSERT_TRUE(eventually([&] { return retryPending(); }));
        runFor(0.1);
    }
    // The output's queue runs captures in order: once a later one has answered, the fifth
    // failure has been handed to the main queue, where the report with no one to call runs.
    std::atomic<bool> drained{false};
    output->captureStillImageAsynchronouslyFromConnection_completionHandler(
        output->connectionWithMediaType(AVMediaTypeVideo), [&](CMSampleBufferRef, std::shared_ptr<NSError>) { drained = true; });
    ASSERT_TRUE(eventually([&] { return drained.load(); }));
    loop->pump();
    EXPECT_EQ(output->captureCountForTesting(), 6);
    EXPECT_FALSE(retryPending());

    media->setUnsuccessfulImageCaptures(KVNOrvelLocalMedia::maximumRetries);
    media->retryCaptureStillImage(nullptr); // the final report, with no one to call
}

TEST_F(OrvelLocalMediaTest, AStopDuringRetriesStillEndsInOneFailure)
{
    runOnStillCamera();
    media->imageOutput()->failNextCapturesForTesting(1);
    screenshot();
    ASSERT_TRUE(eventually([&] { return retryPending(); }));
    media->stop();
    // Without an output the remaining attempts fail at once and in turn.
    runFor(0.4);
    loop->pump();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].success);
}

TEST_F(OrvelLocalMediaTest, NothingIsReportedOnceTheLocalMediaIsGone)
{
    runOnStillCamera();
    media->imageOutput()->failNextCapturesForTesting(5);
    screenshot();
    ASSERT_TRUE(eventually([&] { return retryPending(); }));
    media.reset();
    runFor(1.0);
    loop->pump();
    EXPECT_TRUE(reports.empty());
}

} // namespace
