#include "MediaStack/Views/VideoRenderView.h"
#include "support/GreyVideoFrame.h"

#include <atomic>
#include <cmath>

#include <gtest/gtest.h>

#include "AVFoundation/AVCaptureDevice.h"
#include "AVFoundation/SyntheticCameraPicture.h"
#include "Foundation/NSRunLoop.h"
#include "MediaStack/Capture/CameraCapture.h"
#include "MediaStack/Capture/MediaRequest.h"
#include "MediaStack/Views/LocalPreviewView.h"
#include "MediaStack/Views/RemoteVideoView.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "support/ColorNear.h"

namespace {

using test::greyFrame;

std::shared_ptr<VideoRenderView> viewOf(CGSize size, VideoLayoutScale scale)
{
    auto view = std::make_shared<VideoRenderView>();
    view->initWithFrame(CGRectMake(0, 0, size.width, size.height));
    view->setLayoutScale(scale);
    return view;
}

TEST(VideoRenderView, ViewPointsMapThroughTheCropOrTheBars)
{
    struct Case {
        const char* why;
        VideoLayoutScale scale;
        CGSize view;
        CGSize picture;
        CGPoint tap;
        std::optional<CGPoint> expected;
    } cases[] = {
        {"centre, cover", VideoLayoutScaleCover, {200, 200}, {320, 240}, {100, 100}, CGPoint{0.5, 0.5}},
        {"centre, fit", VideoLayoutScaleFit, {200, 200}, {320, 240}, {100, 100}, CGPoint{0.5, 0.5}},
        // Cover scales 320x240 to 266.7x200: a third of the sides is cut, so the view's left
        // edge is a point of the picture at 1/8.
        {"cover, left edge", VideoLayoutScaleCover, {200, 200}, {320, 240}, {0, 100}, CGPoint{0.125, 0.5}},
        {"cover, top right", VideoLayoutScaleCover, {200, 200}, {320, 240}, {200, 0}, CGPoint{0.875, 0.0}},
        // Fit scales it to 200x150 with 25-point bars above and below.
        {"fit, inside", VideoLayoutScaleFit, {200, 200}, {320, 240}, {50, 25 + 75}, CGPoint{0.25, 0.5}},
        {"fit, on the bar", VideoLayoutScaleFit, {200, 200}, {320, 240}, {100, 10}, std::nullopt},
        {"a tall view covered by a wide picture",
         VideoLayoutScaleCover,
         {100, 400},
         {400, 100},
         {25, 100},
         CGPoint{0.5 - 25.0 / 1600, 0.25}},
        {"stretch", VideoLayoutScaleStretch, {200, 100}, {320, 240}, {50, 75}, CGPoint{0.25, 0.75}},
        {"outside the view", VideoLayoutScaleCover, {200, 200}, {320, 240}, {-1, 100}, std::nullopt},
    };
    for (const auto& c : cases) {
        auto view = viewOf(c.view, c.scale);
        view->renderFrame(greyFrame(int(c.picture.width), int(c.picture.height)));
        auto point = view->picturePointForViewPoint(c.tap);
        ASSERT_EQ(point.has_value(), c.expected.has_value()) << c.why;
        if (point) {
            EXPECT_NEAR(point->x, c.expected->x, 1e-9) << c.why;
            EXPECT_NEAR(point->y, c.expected->y, 1e-9) << c.why;
        }
    }
    EXPECT_FALSE(viewOf({200, 200}, VideoLayoutScaleCover)->picturePointForViewPoint({100, 100})) << "no picture yet";
}

TEST(VideoRenderView, MalformedFramesAreDropped)
{
    auto view = viewOf({100, 100}, VideoLayoutScaleFit);
    auto shortPlane = greyFrame(64, 48);
    shortPlane->planes[2].data = std::make_shared<std::vector<uint8_t>>(10);
    auto narrowStride = greyFrame(64, 48);
    narrowStride->planes[0].stride = 10;
    auto noPlanes = greyFrame(64, 48);
    noPlanes->planes.clear();
    auto missingData = greyFrame(64, 48);
    missingData->planes[1].data = nullptr;
    auto empty = greyFrame(64, 48);
    empty->width = 0;
    auto otherFormat = greyFrame(64, 48);
    otherFormat->format = static_cast<VideoFormat>(99);
    for (const auto& frame : {shortPlane, narrowStride, noPlanes, missingData, empty, otherFormat, std::shared_ptr<VideoFrame>()})
        view->renderFrame(frame);
    EXPECT_EQ(view->framesRendered(), 0u);
    EXPECT_FALSE(view->latestFrame());

    auto odd = greyFrame(33, 17); // chroma rounds up
    view->renderFrame(odd);
    EXPECT_EQ(view->latestFrame(), odd);
    view->setLayoutScale(static_cast<VideoLayoutScale>(7));
    EXPECT_EQ(view->layoutScale(), VideoLayoutScaleFit) << "an unknown scale is ignored";
}

// A frame from the synthetic rear camera, as the preview gets it.
std::shared_ptr<VideoFrame> cameraFrame()
{
    media::CameraCapture camera(std::make_shared<AVCaptureDevice>(AVCaptureDevice::Description::backCamera()), 320, 240, 30);
    std::mutex mutex;
    std::shared_ptr<VideoFrame> frame;
    camera.addFrameHandler([&](const std::shared_ptr<VideoFrame>& f) {
        std::lock_guard lock(mutex);
        frame = f;
    });
    camera.start();
    NSRunLoop::mainRunLoop()->spin_until(
        [&] {
            std::lock_guard lock(mutex);
            return frame != nullptr;
        },
        30.0);
    camera.stop();
    return frame;
}

using kvn::test::colorNear;

TEST(VideoRenderView, APictureOfThePreviewShowsTheCamerasPattern)
{
    auto frame = cameraFrame();
    ASSERT_TRUE(frame);
    auto preview = std::make_shared<LocalPreviewView>();
    preview->initWithFrame(CGRectMake(0, 0, 200, 200));
    preview->setLayoutScale(VideoLayoutScaleCover);
    preview->renderFrame(frame);

    UIGraphicsBeginImageContextWithOptions(CGSizeMake(200, 200), true, 1.0);
    ASSERT_TRUE(preview->drawViewHierarchyInRect_afterScreenUpdates(CGRectMake(0, 0, 200, 200), true));
    auto drawn = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    auto png = UIImagePNGRepresentation(drawn);
    ASSERT_TRUE(png);
    auto image = UIImage::imageWithData(*png);
    ASSERT_TRUE(image);
    auto pixels = image->CGImage();
    ASSERT_EQ(pixels->width(), 200u);

    // Cover crops 1/8 of the picture off each side: the view's left edge lies in the first
    // bar (white, the picture's first 1/7), its middle in the fourth (green), its right edge
    // in the last (blue); the lower third is the dark ground.
    for (auto [x, bar] : {std::pair{2, 0}, {100, 3}, {197, 6}})
        EXPECT_TRUE(colorNear(pixels->pixelAt(x, 20), kvn::SyntheticCameraPicture::barColor(AVCaptureDevicePositionBack, bar)))
            << "x " << x << std::hex << " pixel " << pixels->pixelAt(x, 20);
    EXPECT_TRUE(colorNear(pixels->pixelAt(2, 195), 0x202020)) << std::hex << pixels->pixelAt(2, 195);
}

TEST(VideoRenderView, RemoteViewsStartWithTheScaleTheStackGivesRemoteVideo)
{
    auto view = std::make_shared<RemoteVideoView>();
    view->init();
    EXPECT_EQ(view->layoutScale(), UserMedia::defaultRemoteVideoScale());
    EXPECT_EQ(view->layoutScale(), VideoLayoutScaleFit) << "no request has set another yet";
}

} // namespace
