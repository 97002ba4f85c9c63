// The capture pieces a camera screen stands on: the preview layer's geometry, the still image
// with its orientation, and a session that starts and stops.
#include <cmath>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "AVFoundation/AVCaptureSession.h"
#include "AVFoundation/AVCaptureStillImageOutput.h"
#include "AVFoundation/AVError.h"
#include "AVFoundation/CaptureGeometry.h"
#include "AVFoundation/SyntheticCameraPicture.h"
#include "StillCapture.h"
#include "UIKit/AVCaptureVideoPreviewLayer.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "support/ColorNear.h"
#include "support/ManualClockFixture.h"

namespace {

using Description = AVCaptureDevice::Description;
using kvn::SyntheticCameraPicture;
using kvn::test::colorNear;

constexpr double kTolerance = 1e-4;

std::string describe(CGRect r)
{
    return "(" + std::to_string(r.origin.x) + ", " + std::to_string(r.origin.y) + ", " + std::to_string(r.size.width) + ", " +
        std::to_string(r.size.height) + ")";
}

void expectNear(CGPoint actual, CGPoint expected, const std::string& why)
{
    EXPECT_NEAR(actual.x, expected.x, kTolerance) << why;
    EXPECT_NEAR(actual.y, expected.y, kTolerance) << why;
}

void expectNear(CGRect actual, CGRect expected, const std::string& why)
{
    EXPECT_NEAR(actual.origin.x, expected.origin.x, kTolerance) << why << ": " << describe(actual);
    EXPECT_NEAR(actual.origin.y, expected.origin.y, kTolerance) << why << ": " << describe(actual);
    EXPECT_NEAR(actual.size.width, expected.size.width, kTolerance) << why << ": " << describe(actual);
    EXPECT_NEAR(actual.size.height, expected.size.height, kTolerance) << why << ": " << describe(actual);
}

CGPoint centre(CGRect r) { return CGPointMake(r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2); }

class PhotoCaptureTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
    }
    void TearDown() override
    {
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
        ManualClockFixture::TearDown();
    }

    // A session set up as a camera screen sets one up: photo preset, the camera at that
    // position (none when there is none), a JPEG still output, running.
    struct Camera {
        std::shared_ptr<AVCaptureSession> session;
        std::shared_ptr<AVCaptureStillImageOutput> output;
        std::shared_ptr<AVCaptureVideoPreviewLayer> preview;
    };
    static Camera cameraAt(AVCaptureDevicePosition position, CGSize layerSize = CGSizeMake(375, 667))
    {
        Camera camera;
        camera.session = std::make_shared<AVCaptureSession>();
        camera.session->beginConfiguration();
        camera.session->setSessionPreset(AVCaptureSessionPresetPhoto);
        auto device = AVCaptureDevice::defaultDeviceWithDeviceType_mediaType_position(AVCaptureDeviceTypeBuiltInWideAngleCamera,
                                                                                       AVMediaTypeVideo, position);
        auto input = AVCaptureDeviceInput::deviceInputWithDevice_error(device);
        if (camera.session->canAddInput(input))
            camera.session->addInput(input);
        camera.preview = AVCaptureVideoPreviewLayer::layerWithSession(camera.session);
        camera.preview->setVideoGravity(AVLayerVideoGravityResizeAspectFill);
        camera.preview->setFrame(CGRectMake(0, 0, layerSize.width, layerSize.height));
        camera.output = std::make_shared<AVCaptureStillImageOutput>();
        camera.session->addOutput(camera.output);
        camera.session->commitConfiguration();
        camera.session->startRunning();
        return camera;
    }

    // Where a point of the upright card scene shows in the preview layer.
    static CGPoint layerPointOfScene(const AVCaptureVideoPreviewLayer& preview, CGPoint scene)
    {
        auto sensor = kvn::CaptureGeometry::sensorPointForDisplayedPoint(scene, AVCaptureVideoOrientationPortrait, false);
        return preview.pointForCaptureDevicePointOfInterest(sensor);
    }
};

TEST_F(PhotoCaptureTest, PreviewGeometryUnderCoverMapsLayerPointsToTheCamerasUnitSquare)
{
    // Expected values worked out by hand: a 3:4 portrait picture in a 375 x 667 layer shows
    // 375 / 667 / 0.75 = 74.96 % of its width, so the layer's corners sit 12.52 % in from the
    // picture's sides; the camera's x runs down the portrait picture and its y from right to left.
    const CGFloat cut = (1 - (375.0 / 667.0) / 0.75) / 2;
    const CGFloat wide = (1 - 375.0 / (1280.0 * 667.0 / 720.0)) / 2;
    struct Case {
        const char* why;
        CGSize layer;
        AVCaptureSessionPreset preset;
        AVCaptureVideoOrientation orientation;
        AVCaptureDevicePosition camera; // the front camera's preview is mirrored
        CGRect boundsOfInterest;
        CGPoint topLeft; // the layer's top left corner in the camera's unit square
    } cases[] = {
        {"phone, portrait", {375, 667}, AVCaptureSessionPresetPhoto, AVCaptureVideoOrientationPortrait, AVCaptureDevicePositionBack,
         {0, cut, 1, 1 - 2 * cut}, {0, 1 - cut}},
        {"front camera: mirrored", {375, 667}, AVCaptureSessionPresetPhoto, AVCaptureVideoOrientationPortrait,
         AVCaptureDevicePositionFront, {0, cut, 1, 1 - 2 * cut}, {0, cut}},
        {"upside down", {375, 667}, AVCaptureSessionPresetPhoto, AVCaptureVideoOrientationPortraitUpsideDown,
         AVCaptureDevicePositionBack, {0, cut, 1, 1 - 2 * cut}, {1, cut}},
        {"a 2:3 layer cuts less", {320, 480}, AVCaptureSessionPresetPhoto, AVCaptureVideoOrientationPortrait,
         AVCaptureDevicePositionBack, {0, 1.0 / 18, 1, 16.0 / 18}, {0, 17.0 / 18}},
        {"a landscape layer cuts the picture's height", {600, 400}, AVCaptureSessionPresetPhoto,
         AVCaptureVideoOrientationPortrait, AVCaptureDevicePositionBack, {0.25, 0, 0.5, 1}, {0.25, 1}},
        {"same aspect: the whole picture", {640, 360}, AVCaptureSessionPreset1280x720, AVCaptureVideoOrientationLandscapeRight,
         AVCaptureDevicePositionBack, {0, 0, 1, 1}, {0, 0}},
        {"landscape left: a half turn", {640, 360}, AVCaptureSessionPreset1280x720, AVCaptureVideoOrientationLandscapeLeft,
         AVCaptureDevicePositionBack, {0, 0, 1, 1}, {1, 1}},
        {"a wide picture in a tall layer", {375, 667}, AVCaptureSessionPreset1280x720, AVCaptureVideoOrientationLandscapeRight,
         AVCaptureDevicePositionBack, {wide, 0, 1 - 2 * wide, 1}, {wide, 0}},
    };
    for (const auto& c : cases) {
        auto camera = cameraAt(c.camera, c.layer);
        camera.session->setSessionPreset(c.preset);
        camera.preview->connection()->setVideoOrientation(c.orientation);
        const auto& preview = *camera.preview;
        const CGRect bounds = preview.bounds();

        expectNear(preview.metadataOutputRectOfInterestForRect(bounds), c.boundsOfInterest, c.why);
        expectNear(preview.captureDevicePointOfInterestForPoint(CGPointZero), c.topLeft, c.why);
        expectNear(preview.captureDevicePointOfInterestForPoint(centre(bounds)), CGPointMake(0.5, 0.5), c.why);

        // Round trips, both ways, for points and rectangles anywhere in the layer.
        for (CGPoint p : {CGPointMake(10, 20), CGPointMake(c.layer.width - 1, 3), CGPointMake(c.layer.width / 3, c.layer.height)})
            expectNear(preview.pointForCaptureDevicePointOfInterest(preview.captureDevicePointOfInterestForPoint(p)), p, c.why);
        for (CGRect r : {bounds, CGRectMake(20, 40, 100, 60), CGRectMake(c.layer.width - 30, 0, 30, c.layer.height / 2)})
            expectNear(preview.rectForMetadataOutputRectOfInterest(preview.metadataOutputRectOfInterestForRect(r)), r, c.why);
        const CGRect unit = CGRectMake(0.2, 0.3, 0.4, 0.1);
        expectNear(preview.metadataOutputRectOfInterestForRect(preview.rectForMetadataOutputRectOfInterest(unit)), unit, c.why);
    }
}

TEST_F(PhotoCaptureTest, PreviewGeometryWithNothingToShowStaysFinite)
{
    auto fitted = cameraAt(AVCaptureDevicePositionBack, CGSizeMake(600, 400));
    fitted.preview->setVideoGravity(AVLayerVideoGravityResizeAspect);
    const CGPoint onBar = fitted.preview->captureDevicePointOfInterestForPoint(CGPointMake(5, 200));
    EXPECT_GT(onBar.y, 1) << "a point on the bar beside a fitted picture lies off the camera's picture";

    auto empty = cameraAt(AVCaptureDevicePositionBack, CGSizeZero);
    auto unattached = std::make_shared<AVCaptureVideoPreviewLayer>();
    unattached->setFrame(CGRectMake(0, 0, 100, 100));
    EXPECT_FALSE(unattached->connection());
    for (const auto& layer : {empty.preview, unattached}) {
        expectNear(layer->captureDevicePointOfInterestForPoint(CGPointMake(3, 4)), CGPointMake(0.5, 0.5), "no picture: the centre");
        expectNear(layer->metadataOutputRectOfInterestForRect(CGRectMake(0, 0, 10, 10)), CGRectZero, "no picture: no rectangle");
        expectNear(layer->rectForMetadataOutputRectOfInterest(CGRectMake(0, 0, 1, 1)), CGRectZero, "no picture: no rectangle");
    }
    expectNear(fitted.preview->captureDevicePointOfInterestForPoint(CGPointMake(NAN, 1)), CGPointMake(0.5, 0.5), "not a point");
}

TEST_F(PhotoCaptureTest, StillImageCroppedToThePreviewShowsTheCardWhereThePreviewShowsIt)
{
    struct Case {
        const char* why;
        AVCaptureDevicePosition camera;
        bool mirror;
    } cases[] = {
        {"rear camera", AVCaptureDevicePositionBack, false},
        {"front camera, mirrored like its preview", AVCaptureDevicePositionFront, true},
    };
    for (const auto& c : cases) {
        auto camera = cameraAt(c.camera);
        auto connection = camera.output->connectionWithMediaType(AVMediaTypeVideo);
        ASSERT_TRUE(connection) << c.why;
        ASSERT_TRUE(connection->isVideoMirroringSupported());
        connection->setVideoMirrored(c.mirror);
        EXPECT_EQ(camera.output->connectionWithMediaType(AVMediaTypeVideo), connection) << "the output keeps its connection";
        EXPECT_EQ(camera.preview->connection()->isVideoMirrored(), c.mirror) << c.why << ": the preview mirrors a front camera";

        auto result = kvn::test::captureStill(camera.output, connection);
        ASSERT_TRUE(result.buffer) << c.why;
        auto photo = UIImage::imageWithData(*AVCaptureStillImageOutput::jpegStillImageNSDataRepresentation(result.buffer));
        ASSERT_TRUE(photo) << c.why;
        EXPECT_EQ(photo->imageOrientation(), c.mirror ? UIImageOrientationLeftMirrored : UIImageOrientationRight) << c.why;
        EXPECT_EQ(photo->CGImage()->width(), 2048u) << "the pixels stay in the sensor's orientation";
        EXPECT_EQ(photo->size(), CGSizeMake(1536, 2048)) << "and show in portrait";

        // The crop a camera screen makes: the preview's rectangle of interest in the bitmap's
        // pixels, then turned upright.
        const CGRect interest = camera.preview->metadataOutputRectOfInterestForRect(camera.preview->bounds());
        const CGFloat pw = photo->CGImage()->width(), ph = photo->CGImage()->height();
        auto cropped = CGImageCreateWithImageInRect(
            photo->CGImage(), CGRectMake(interest.origin.x * pw, interest.origin.y * ph, interest.size.width * pw, interest.size.height * ph));
        auto image = UIImage(cropped, 1, photo->imageOrientation()).uprightCGImage();
        ASSERT_TRUE(image);
        const double f = double(image->width()) / camera.preview->bounds().size.width;
        EXPECT_NEAR(double(image->height()) / f, 667, 2) << c.why << ": the crop has the preview's aspect";

        auto colourAt = [&](CGPoint scene) {
            const CGPoint p = layerPointOfScene(*camera.preview, scene);
            return image->pixelAt(size_t(p.x * f), size_t(p.y * f));
        };
        const CGPoint photoBox = centre(SyntheticCameraPicture::photoBoxRect());
        EXPECT_TRUE(colorNear(colourAt(photoBox), SyntheticCameraPicture::photoBoxColor)) << c.why;
        EXPECT_EQ(layerPointOfScene(*camera.preview, photoBox).x > 375.0 / 2, c.mirror)
            << c.why << ": the photo box stands left on the card, right when mirrored";
        const CGRect zone = SyntheticCameraPicture::machineReadableZoneRect();
        EXPECT_TRUE(colorNear(colourAt(CGPointMake(zone.origin.x + 0.002, centre(zone).y)), SyntheticCameraPicture::machineReadableZoneColor))
            << c.why << ": the machine-readable band runs along the card's bottom";
        EXPECT_TRUE(colorNear(colourAt(CGPointMake(0.5, 0.2)), SyntheticCameraPicture::deskColor(c.camera))) << c.why;
    }
}

TEST_F(PhotoCaptureTest, ExifOrientationOfAStillShowsWhatThePreviewShows)
{
    // Whatever the orientation and mirroring, a still turned upright is the picture the
    // preview draws: the photo box's centre lands on the same pixel.
    auto camera = cameraAt(AVCaptureDevicePositionBack);
    auto connection = camera.output->connectionWithMediaType(AVMediaTypeVideo);
    for (auto orientation : {AVCaptureVideoOrientationPortrait, AVCaptureVideoOrientationPortraitUpsideDown,
                             AVCaptureVideoOrientationLandscapeRight, AVCaptureVideoOrientationLandscapeLeft}) {
        for (bool mirrored : {false, true}) {
            connection->setVideoOrientation(orientation);
            connection->setVideoMirrored(mirrored);
            const std::string why = "orientation " + std::to_string(orientation) + (mirrored ? " mirrored" : "");
            auto result = kvn::test::captureStill(camera.output, connection);
            ASSERT_TRUE(result.buffer) << why;
            auto upright = UIImage::imageWithData(result.buffer->jpegData())->uprightCGImage();
            const auto sensor = kvn::SyntheticCameraPicture::drawDocumentCard(AVCaptureDevicePositionBack, 1, 2048, 1536);
            const auto shown = kvn::CaptureGeometry::displayedPicture(sensor, orientation, mirrored);
            ASSERT_EQ(upright->width(), shown->width()) << why;
            const CGPoint box = kvn::CaptureGeometry::displayedPointForSensorPoint(
                kvn::CaptureGeometry::sensorPointForDisplayedPoint(centre(SyntheticCameraPicture::photoBoxRect()),
                                                                    AVCaptureVideoOrientationPortrait, false),
                orientation, mirrored);
            const size_t x = size_t(box.x * shown->width()), y = size_t(box.y * shown->height());
            EXPECT_TRUE(colorNear(shown->pixelAt(x, y), SyntheticCameraPicture::photoBoxColor)) << why;
            EXPECT_TRUE(colorNear(upright->pixelAt(x, y), SyntheticCameraPicture::photoBoxColor)) << why;
        }
    }
}

TEST_F(PhotoCaptureTest, PreviewDrawsTheCameraWhileTheSessionRuns)
{
    auto camera = cameraAt(AVCaptureDevicePositionBack, CGSizeMake(150, 200));
    auto snapshot = [&] {
        UIGraphicsBeginImageContextWithOptions(CGSizeMake(150, 200), false, 1);
        camera.preview->drawInContext(UIGraphicsGetCurrentContext());
        auto image = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        return image->CGImage();
    };
    auto running = snapshot();
    const CGPoint box = layerPointOfScene(*camera.preview, centre(SyntheticCameraPicture::photoBoxRect()));
    EXPECT_TRUE(colorNear(running->pixelAt(size_t(box.x), size_t(box.y)), SyntheticCameraPicture::photoBoxColor));
    EXPECT_TRUE(colorNear(running->pixelAt(75, 10), SyntheticCameraPicture::deskColor(AVCaptureDevicePositionBack)));

    camera.session->stopRunning();
    EXPECT_EQ(snapshot()->pixelAt(75, 10) >> 24, 0u) << "a stopped session shows nothing";
}

TEST_F(PhotoCaptureTest, ASessionStartsAndStopsTwice)
{
    auto camera = cameraAt(AVCaptureDevicePositionBack);
    auto connection = camera.output->connectionWithMediaType(AVMediaTypeVideo);
    for (int round = 0; round < 2; ++round) {
        const std::string why = "round " + std::to_string(round + 1);
        if (round > 0)
            camera.session->startRunning();
        camera.session->startRunning(); // a second start changes nothing
        EXPECT_TRUE(camera.session->isRunning()) << why;
        EXPECT_TRUE(connection->isActive()) << why;
        const uint64_t first = camera.session->frameNumber();
        runFor(1.0);
        EXPECT_EQ(camera.session->frameNumber(), first + 30) << why << ": 30 pictures a second on the run loop's clock";
        EXPECT_TRUE(kvn::test::captureStill(camera.output, connection).buffer) << why;

        camera.session->stopRunning();
        camera.session->stopRunning();
        EXPECT_FALSE(camera.session->isRunning()) << why;
        EXPECT_FALSE(connection->isActive()) << why;
        auto stopped = kvn::test::captureStill(camera.output, connection);
        EXPECT_FALSE(stopped.buffer) << why;
        ASSERT_TRUE(stopped.error) << why;
        EXPECT_EQ(stopped.error->code(), AVErrorSessionNotRunning) << why;
    }
    EXPECT_EQ(camera.output->connectionWithMediaType(AVMediaTypeVideo), connection) << "a restart keeps the connection";
}

TEST_F(PhotoCaptureTest, WithoutACameraThereIsNoPictureOnlyAnError)
{
    // No camera at the slot's position: the session runs without input and offers no connection.
    AVCaptureDevice::setDevicesForTesting(std::vector<Description>{Description::backCamera()});
    auto noFront = cameraAt(AVCaptureDevicePositionFront);
    EXPECT_TRUE(noFront.session->isRunning());
    EXPECT_FALSE(noFront.output->connectionWithMediaType(AVMediaTypeVideo));
    EXPECT_FALSE(noFront.session->currentPicture());

    // A connection taken while the camera was there, used after it went.
    auto camera = cameraAt(AVCaptureDevicePositionBack);
    auto connection = camera.output->connectionWithMediaType(AVMediaTypeVideo);
    ASSERT_TRUE(connection);
    camera.session->removeInput(camera.session->inputs().front());
    EXPECT_FALSE(connection->isActive());
    auto result = kvn::test::captureStill(camera.output, connection);
    EXPECT_FALSE(result.buffer) << "no empty picture";
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->code(), AVErrorDeviceNotConnected);
    EXPECT_EQ(result.error->domain(), AVFoundationErrorDomain);
}

TEST_F(PhotoCaptureTest, ATapOnThePreviewAimsTheRearCamerasFocusAndExposure)
{
    auto camera = cameraAt(AVCaptureDevicePositionBack);
    auto device = camera.session->videoDevice();
    ASSERT_TRUE(device->focusPointOfInterestSupported());
    const CGPoint aim = camera.preview->captureDevicePointOfInterestForPoint(CGPointMake(300, 100));
    ASSERT_TRUE(device->lockForConfiguration());
    device->setFocusPointOfInterest(aim);
    device->setFocusMode(AVCaptureFocusModeAutoFocus);
    device->setExposurePointOfInterest(aim);
    device->setExposureMode(AVCaptureExposureModeAutoExpose);
    device->unlockForConfiguration();
    expectNear(device->focusPointOfInterest(), aim, "focus");
    expectNear(device->exposurePointOfInterest(), aim, "exposure");
    EXPECT_EQ(device->focusMode(), AVCaptureFocusModeAutoFocus);
    EXPECT_EQ(device->exposureMode(), AVCaptureExposureModeAutoExpose);
    EXPECT_EQ(device->position(), AVCaptureDevicePositionBack);
}

} // namespace
