// What the two call handlers share (tap-to-focus on the preview) and the handler for an
// identification without a video server.
#include <gtest/gtest.h>

#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVMediaFormat.h"
#include "MediaStack/Views/LocalPreviewView.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITouch.h"
#include "models/KVNIdentification.h"
#include "support/ManualClockFixture.h"
#include "CallHandlerTestSupport.h"

namespace {

class CallHandlerTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        AVCaptureDevice::setDevicesForTesting(std::vector { AVCaptureDevice::Description::backCamera() });
        camera = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
        delegate = std::make_shared<RecordingDelegate>();
    }
    void TearDown() override
    {
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        ManualClockFixture::TearDown();
    }

    // A finger lifted at `point` of the view, as the window delivers it.
    static void tap(const std::shared_ptr<UIView>& view, CGPoint point)
    {
        auto touch = std::make_shared<UITouch>();
        touch->setView(view);
        touch->setInitialLocation(view->convertPoint_toView(point, nullptr));
        touch->setPhase(UITouchPhaseEnded);
        view->touchesEnded_withEvent({ touch }, nullptr);
    }

    // A 200 x 100 preview showing a square picture, which covers it cropped top and bottom.
    static std::shared_ptr<LocalPreviewView> coverPreview()
    {
        auto preview = std::make_shared<LocalPreviewView>();
        preview->setFrame(CGRect { { 0, 0 }, { 200, 100 } });
        preview->setLayoutScale(VideoLayoutScaleCover);
        auto frame = std::make_shared<VideoFrame>();
        frame->width = 100;
        frame->height = 100;
        preview->renderFrame(frame);
        return preview;
    }

    std::shared_ptr<AVCaptureDevice> camera;
    std::shared_ptr<RecordingDelegate> delegate;
};

} // namespace

TEST_F(CallHandlerTest, TapFocusesTheBackCameraWhereTheTapFallsOnThePicture)
{
    auto handler = std::make_shared<KVNWebRTCHandler>();
    handler->initWithDelegate(delegate);
    auto preview = coverPreview();
    preview->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>(nullptr));
    handler->setLocalVideoControl(preview);
    ASSERT_EQ(preview->gestureRecognizers().size(), 1u) << "the preview's own recognisers go";

    const CGPoint unfocused = camera->focusPointOfInterest();
    handler->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionFront);
    tap(preview, { 100, 25 });
    EXPECT_EQ(camera->focusPointOfInterest(), unfocused) << "the front camera's preview does nothing";

    handler->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionBack);
    tap(preview, { 100, 50 });
    EXPECT_EQ(camera->focusPointOfInterest(), (CGPoint { 0.5, 0.5 }));
    // A quarter down the view is three eighths down the cropped picture.
    tap(preview, { 100, 25 });
    EXPECT_EQ(camera->focusPointOfInterest(), (CGPoint { 0.5, 0.375 }));
}

TEST_F(CallHandlerTest, WithoutAVideoServerTheCallIsUpAtOnceAndNothingElseIsReported)
{
    auto handler = std::make_shared<KVNNoVideoserverHandler>();
    handler->reset();
    handler->initWithDelegate(delegate);
    handler->startWithSessionID_sessionToken("s", "t");
    handler->startConference();
    EXPECT_EQ(delegate->calls, std::vector<std::string> { "link up" }) << "before the local media answered";

    EXPECT_EQ(handler->videoSessionToken(), "t");

    handler->reset();
    handler->reset();
    handler->createScreenshot();
    handler->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionBack);
    loop->pump();
    EXPECT_EQ(delegate->calls, std::vector<std::string> { "link up" });
    EXPECT_FALSE(handler->localMedia());
}

// Without a camera the media cannot start: the driver must hear of it, and the call must not
// be reported as up afterwards.
TEST_F(CallHandlerTest, WithoutAVideoServerAFailedLocalMediaIsReportedAndNeverLinksUp)
{
    AVCaptureDevice::setDevicesForTesting(std::vector<AVCaptureDevice::Description> {});
    auto handler = std::make_shared<KVNNoVideoserverHandler>();
    handler->initWithDelegate(delegate);
    handler->startWithSessionID_sessionToken("s", "t");
    ASSERT_TRUE(loop->spin_until([&] { return !delegate->calls.empty(); }, 30.0));
    EXPECT_EQ(delegate->calls, std::vector<std::string> { "error" });
    EXPECT_EQ(delegate->errorCodes, std::vector<long> { KavoniErrorCode::LocalMediaStartFailed });

    handler->startConference();
    EXPECT_EQ(delegate->count("link up"), 0u);
    handler->reset();
}
