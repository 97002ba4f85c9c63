// What the two call handlers share (tap-to-focus on the preview) and the handler for an
// identification without a video server.
#include <gtest/gtest.h>

#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/AVMediaFormat.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "CallHandlerTestSupport.h"
#include "MediaStack/Views/LocalPreviewView.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UIWindow.h"
#include "models/KVNIdentification.h"
#include "support/GreyVideoFrame.h"
#include "support/ManualClockFixture.h"

namespace {

class CallHandlerTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        AVCaptureDevice::setDevicesForTesting(std::vector{AVCaptureDevice::Description::backCamera()});
        camera = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
        delegate = std::make_shared<RecordingDelegate>();
    }
    void TearDown() override
    {
        window.reset();
        UIApplication::sharedApplication()->resetForTesting();
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        ManualClockFixture::TearDown();
    }

    // A finger down and up at `point` of the view, through its window's hit test.
    static void tap(const std::shared_ptr<UIView>& view, CGPoint point)
    {
        Automation::Finger finger(view->window());
        finger.down(view->convertPoint_toView(point, nullptr));
        finger.up();
    }

    // A 200 x 100 preview in a window, showing a square picture, which covers it cropped top
    // and bottom.
    std::shared_ptr<LocalPreviewView> coverPreview()
    {
        window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 320, 480));
        window->makeKeyAndVisible();
        auto preview = std::make_shared<LocalPreviewView>();
        preview->initWithFrame(CGRect{{0, 0}, {200, 100}});
        preview->setLayoutScale(VideoLayoutScaleCover);
        preview->renderFrame(test::greyFrame(100, 100));
        window->addSubview(preview);
        return preview;
    }

    std::shared_ptr<UIWindow> window;
    std::shared_ptr<AVCaptureDevice> camera;
    std::shared_ptr<RecordingDelegate> delegate;
};

} // namespace

TEST_F(CallHandlerTest, TapFocusesTheBackCameraWhereTheTapFallsOnThePicture)
{
    auto handler = std::make_shared<KVNWebRTCHandler>();
    handler->initWithDelegate(delegate);
    auto preview = coverPreview();
    preview->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>());
    handler->setLocalVideoControl(preview);
    ASSERT_EQ(preview->gestureRecognizers().size(), 1u) << "the preview's own recognisers go";

    const CGPoint unfocused = camera->focusPointOfInterest();
    handler->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionFront);
    tap(preview, {100, 25});
    EXPECT_EQ(camera->focusPointOfInterest(), unfocused) << "the front camera's preview does nothing";

    handler->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionBack);
    tap(preview, {100, 50});
    EXPECT_EQ(camera->focusPointOfInterest(), (CGPoint{0.5, 0.5}));
    // A quarter down the view is three eighths down the cropped picture.
    tap(preview, {100, 25});
    EXPECT_EQ(camera->focusPointOfInterest(), (CGPoint{0.5, 0.375}));
}

TEST_F(CallHandlerTest, WithoutAVideoServerTheCallIsUpAtOnceAndNothingElseIsReported)
{
    auto handler = std::make_shared<KVNNoVideoserverHandler>();
    handler->reset();
    handler->initWithDelegate(delegate);
    handler->startWithSessionID_sessionToken("s", "t");
    handler->startConference();
    EXPECT_EQ(delegate->calls, std::vector<std::string>{"link up"}) << "before the local media answered";

    EXPECT_EQ(handler->videoSessionToken(), "t");

    handler->reset();
    handler->reset();
    handler->createScreenshot();
    handler->setLocalCameraPosition(KVNWebRTCHandler::CameraPositionBack);
    loop->pump();
    EXPECT_EQ(delegate->calls, std::vector<std::string>{"link up"});
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
