#include "AVFoundation/AVCaptureDevice.h"

#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "AVFoundation/AVError.h"

namespace {

using Description = AVCaptureDevice::Description;

// Each test starts from the machine's configuration with KVN_CAMERAS unset.
class CaptureDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("KVN_CAMERAS");
        AVCaptureDevice::setDevicesForTesting(std::nullopt);
    }
    void TearDown() override { SetUp(); }

    static std::vector<AVCaptureDevicePosition> videoPositions()
    {
        std::vector<AVCaptureDevicePosition> positions;
        for (const auto& device : AVCaptureDevice::devicesWithMediaType(AVMediaTypeVideo))
            positions.push_back(device->position());
        return positions;
    }

    static std::shared_ptr<AVCaptureDevice> camera(AVCaptureDevicePosition position)
    {
        return AVCaptureDevice::defaultDeviceWithDeviceType_mediaType_position(AVCaptureDeviceTypeBuiltInWideAngleCamera,
                                                                               AVMediaTypeVideo, position);
    }
};

TEST_F(CaptureDeviceTest, HeadlessDefaultIsATorchRearCameraAndAPlainFrontCamera)
{
    EXPECT_EQ(videoPositions(), (std::vector{AVCaptureDevicePositionBack, AVCaptureDevicePositionFront}));

    auto rear = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
    ASSERT_TRUE(rear);
    EXPECT_EQ(rear->position(), AVCaptureDevicePositionBack);
    EXPECT_TRUE(rear->hasTorch());
    EXPECT_TRUE(rear->focusPointOfInterestSupported());
    EXPECT_TRUE(rear->exposurePointOfInterestSupported());
    EXPECT_EQ(rear->torchMode(), AVCaptureTorchModeOff);
    EXPECT_EQ(rear->focusMode(), AVCaptureFocusModeContinuousAutoFocus);
    EXPECT_EQ(rear->exposureMode(), AVCaptureExposureModeContinuousAutoExposure);

    auto front = camera(AVCaptureDevicePositionFront);
    ASSERT_TRUE(front);
    EXPECT_FALSE(front->hasTorch());
    EXPECT_FALSE(front->isTorchModeSupported(AVCaptureTorchModeOff));
    EXPECT_FALSE(front->focusPointOfInterestSupported());
    EXPECT_EQ(front->focusMode(), AVCaptureFocusModeLocked);

    EXPECT_FALSE(AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeAudio));
    EXPECT_TRUE(AVCaptureDevice::devicesWithMediaType(AVMediaTypeAudio).empty());
}

TEST_F(CaptureDeviceTest, ConfigurationChoosesTheCameras)
{
    using P = std::vector<AVCaptureDevicePosition>;
    const auto back = AVCaptureDevicePositionBack;
    const auto front = AVCaptureDevicePositionFront;
    struct Case {
        const char* value;
        P positions;
    } cases[] = {
        {"front,back", P{front, back}},
        {"back", P{back}},
        {"front", P{front}},
        {" back , front ", P{back, front}},
        {"none", P{}},
        {"", P{back, front}},           // empty counts as unset
        {"front,bak", P{back, front}},  // unreadable: reported, and the default set stands
        {"front,", P{back, front}},
        {"none,front", P{back, front}},
        {"FRONT", P{back, front}},
    };
    for (const auto& c : cases) {
        setenv("KVN_CAMERAS", c.value, 1);
        AVCaptureDevice::setDevicesForTesting(std::nullopt); // read the configuration again
        EXPECT_EQ(videoPositions(), c.positions) << '"' << c.value << '"';
    }
}

TEST_F(CaptureDeviceTest, DiscoveryByPositionFindsOnlyWhatIsThere)
{
    struct Case {
        const char* why;
        std::vector<Description> devices;
        bool back, front, any;
        std::optional<AVCaptureDevicePosition> defaultPosition;
    } cases[] = {
        {"both cameras", {Description::frontCamera(), Description::backCamera()}, true, true, true,
         AVCaptureDevicePositionBack}, // the rear camera is the default even when listed second
        {"no rear camera", {Description::frontCamera()}, false, true, true, AVCaptureDevicePositionFront},
        {"no front camera", {Description::backCamera()}, true, false, true, AVCaptureDevicePositionBack},
        {"no camera", {}, false, false, false, std::nullopt},
    };
    for (const auto& c : cases) {
        AVCaptureDevice::setDevicesForTesting(c.devices);
        EXPECT_EQ(bool(camera(AVCaptureDevicePositionBack)), c.back) << c.why;
        EXPECT_EQ(bool(camera(AVCaptureDevicePositionFront)), c.front) << c.why;
        EXPECT_EQ(bool(camera(AVCaptureDevicePositionUnspecified)), c.any) << c.why;
        auto device = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
        EXPECT_EQ(device ? std::optional(device->position()) : std::nullopt, c.defaultPosition) << c.why;
        // A camera is not a microphone.
        EXPECT_FALSE(AVCaptureDevice::defaultDeviceWithDeviceType_mediaType_position(
            AVCaptureDeviceTypeBuiltInMicrophone, AVMediaTypeVideo, AVCaptureDevicePositionUnspecified))
            << c.why;
    }
}

TEST_F(CaptureDeviceTest, AMicrophoneIsFoundByItsMediaTypeOnly)
{
    Description microphone;
    microphone.mediaType = AVMediaTypeAudio;
    microphone.position = AVCaptureDevicePositionUnspecified;
    AVCaptureDevice::setDevicesForTesting(std::vector{microphone, Description::frontCamera()});

    auto audio = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeAudio);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio, AVCaptureDevice::defaultDeviceWithDeviceType_mediaType_position(
                         AVCaptureDeviceTypeBuiltInMicrophone, AVMediaTypeAudio, AVCaptureDevicePositionUnspecified));
    EXPECT_EQ(AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo)->position(), AVCaptureDevicePositionFront);
    EXPECT_EQ(AVCaptureDevice::devicesWithMediaType(AVMediaTypeVideo).size(), 1u);
}

TEST_F(CaptureDeviceTest, EveryQueryHandsOutTheSameDeviceUntilTheSetIsReplaced)
{
    auto first = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
    ASSERT_TRUE(first->lockForConfiguration());
    first->setTorchMode(AVCaptureTorchModeOn);
    first->unlockForConfiguration();

    auto again = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
    EXPECT_EQ(again, first);
    EXPECT_TRUE(again->isTorchActive());
    EXPECT_EQ(camera(AVCaptureDevicePositionBack), first);

    AVCaptureDevice::setDevicesForTesting(std::vector{Description::backCamera()});
    auto fresh = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
    EXPECT_NE(fresh, first);
    EXPECT_FALSE(fresh->isTorchActive());
}

TEST_F(CaptureDeviceTest, SettersChangeNothingUnlessLocked)
{
    auto rear = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
    auto tryAll = [&] {
        rear->setTorchMode(AVCaptureTorchModeOn);
        rear->setFocusPointOfInterest({0.2, 0.8});
        rear->setFocusMode(AVCaptureFocusModeAutoFocus);
        rear->setExposurePointOfInterest({0.3, 0.7});
        rear->setExposureMode(AVCaptureExposureModeAutoExpose);
    };
    auto expectUntouched = [&](const char* when) {
        EXPECT_EQ(rear->torchMode(), AVCaptureTorchModeOff) << when;
        EXPECT_FALSE(rear->isTorchActive()) << when;
        EXPECT_EQ(rear->focusPointOfInterest(), CGPointMake(0.5, 0.5)) << when;
        EXPECT_EQ(rear->focusMode(), AVCaptureFocusModeContinuousAutoFocus) << when;
        EXPECT_EQ(rear->exposurePointOfInterest(), CGPointMake(0.5, 0.5)) << when;
        EXPECT_EQ(rear->exposureMode(), AVCaptureExposureModeContinuousAutoExposure) << when;
    };

    tryAll();
    expectUntouched("never locked");

    std::shared_ptr<NSError> error;
    ASSERT_TRUE(rear->lockForConfiguration(&error));
    EXPECT_FALSE(error);
    tryAll();
    EXPECT_TRUE(rear->isTorchActive());
    EXPECT_EQ(rear->focusPointOfInterest(), CGPointMake(0.2, 0.8));
    EXPECT_EQ(rear->focusMode(), AVCaptureFocusModeAutoFocus);
    EXPECT_EQ(rear->exposurePointOfInterest(), CGPointMake(0.3, 0.7));
    EXPECT_EQ(rear->exposureMode(), AVCaptureExposureModeAutoExpose);

    rear->setTorchMode(AVCaptureTorchModeOff);
    rear->setFocusPointOfInterest({0.5, 0.5});
    rear->setFocusMode(AVCaptureFocusModeContinuousAutoFocus);
    rear->setExposurePointOfInterest({0.5, 0.5});
    rear->setExposureMode(AVCaptureExposureModeContinuousAutoExposure);
    rear->unlockForConfiguration();
    tryAll();
    expectUntouched("after unlocking");
}

TEST_F(CaptureDeviceTest, AFailingLockReportsAnErrorAndLeavesTheDeviceAlone)
{
    auto description = Description::backCamera();
    description.lockFails = true;
    AVCaptureDevice::setDevicesForTesting(std::vector{description});
    auto rear = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);

    std::shared_ptr<NSError> error;
    EXPECT_FALSE(rear->lockForConfiguration(&error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), AVFoundationErrorDomain);
    EXPECT_EQ(error->code(), AVErrorDeviceLockedForConfigurationByAnotherProcess);
    EXPECT_FALSE(rear->lockForConfiguration()); // no error output asked for: no crash either

    rear->setTorchMode(AVCaptureTorchModeOn);
    rear->setFocusMode(AVCaptureFocusModeLocked);
    EXPECT_EQ(rear->torchMode(), AVCaptureTorchModeOff);
    EXPECT_EQ(rear->focusMode(), AVCaptureFocusModeContinuousAutoFocus);
    EXPECT_EQ(rear->lockCountForTesting(), 2);
}

TEST_F(CaptureDeviceTest, LockCountCountsEveryCall)
{
    auto rear = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
    EXPECT_EQ(rear->lockCountForTesting(), 0);
    rear->lockForConfiguration();
    rear->unlockForConfiguration();
    rear->lockForConfiguration();
    rear->unlockForConfiguration();
    rear->unlockForConfiguration(); // unlocking an unlocked device is harmless and not counted
    EXPECT_EQ(rear->lockCountForTesting(), 2);
    EXPECT_EQ(camera(AVCaptureDevicePositionFront)->lockCountForTesting(), 0);
}

TEST_F(CaptureDeviceTest, LockedSettersStillRefuseWhatTheDeviceCannotDo)
{
    auto front = camera(AVCaptureDevicePositionFront);
    ASSERT_TRUE(front->lockForConfiguration());
    front->setTorchMode(AVCaptureTorchModeOn);
    front->setFocusPointOfInterest({0.1, 0.1});
    front->setFocusMode(AVCaptureFocusModeAutoFocus);
    front->setExposurePointOfInterest({0.1, 0.1});
    EXPECT_EQ(front->torchMode(), AVCaptureTorchModeOff);
    EXPECT_FALSE(front->isTorchActive());
    EXPECT_EQ(front->focusPointOfInterest(), CGPointMake(0.5, 0.5));
    EXPECT_EQ(front->focusMode(), AVCaptureFocusModeLocked);
    EXPECT_EQ(front->exposurePointOfInterest(), CGPointMake(0.5, 0.5));
    front->setExposureMode(AVCaptureExposureModeLocked); // supported: applies
    EXPECT_EQ(front->exposureMode(), AVCaptureExposureModeLocked);

    auto rear = camera(AVCaptureDevicePositionBack);
    ASSERT_TRUE(rear->lockForConfiguration());
    for (CGPoint outside : {CGPointMake(-0.1, 0.5), CGPointMake(0.5, 1.01), CGPointMake(NAN, 0.5),
                            CGPointMake(0.5, INFINITY)}) {
        rear->setFocusPointOfInterest(outside);
        rear->setExposurePointOfInterest(outside);
        EXPECT_EQ(rear->focusPointOfInterest(), CGPointMake(0.5, 0.5)) << outside.x << "," << outside.y;
        EXPECT_EQ(rear->exposurePointOfInterest(), CGPointMake(0.5, 0.5)) << outside.x << "," << outside.y;
    }
    rear->setFocusPointOfInterest({1, 0}); // the corners are inside
    EXPECT_EQ(rear->focusPointOfInterest(), CGPointMake(1, 0));
}

TEST_F(CaptureDeviceTest, OnlyTorchModeOnLightsTheTorch)
{
    auto rear = camera(AVCaptureDevicePositionBack);
    ASSERT_TRUE(rear->lockForConfiguration());
    struct Case {
        AVCaptureTorchMode mode;
        bool active;
    } cases[] = {{AVCaptureTorchModeOn, true}, {AVCaptureTorchModeAuto, false}, {AVCaptureTorchModeOff, false}};
    for (const auto& c : cases) {
        EXPECT_TRUE(rear->isTorchModeSupported(c.mode));
        rear->setTorchMode(c.mode);
        EXPECT_EQ(rear->torchMode(), c.mode);
        EXPECT_EQ(rear->isTorchActive(), c.active) << c.mode;
    }
}

TEST_F(CaptureDeviceTest, TorchLevelsNeedATorchTheLockAndALevelInRange)
{
    auto rear = camera(AVCaptureDevicePositionBack);
    auto front = camera(AVCaptureDevicePositionFront);
    EXPECT_TRUE(rear->isTorchAvailable());
    EXPECT_FALSE(front->isTorchAvailable());

    std::shared_ptr<NSError> error;
    EXPECT_FALSE(rear->setTorchModeOnWithLevel_error(0.5f, &error)) << "not locked";
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), AVErrorInvalidTorchLevel);
    EXPECT_FALSE(rear->isTorchActive());

    ASSERT_TRUE(front->lockForConfiguration());
    EXPECT_FALSE(front->setTorchModeOnWithLevel_error(1.0f, &error)) << "no torch";
    EXPECT_EQ(front->torchLevel(), 0.0f);

    ASSERT_TRUE(rear->lockForConfiguration());
    for (float level : {0.0f, -0.5f, 1.5f, NAN}) {
        error = nullptr;
        EXPECT_FALSE(rear->setTorchModeOnWithLevel_error(level, &error)) << level;
        EXPECT_TRUE(error) << level;
        EXPECT_FALSE(rear->isTorchActive()) << level << ": a refused level leaves the torch dark";
    }
    EXPECT_TRUE(rear->setTorchModeOnWithLevel_error(0.25f, &error));
    EXPECT_FALSE(error);
    EXPECT_TRUE(rear->isTorchActive());
    EXPECT_EQ(rear->torchMode(), AVCaptureTorchModeOn);
    EXPECT_FLOAT_EQ(rear->torchLevel(), 0.25f);

    rear->setTorchMode(AVCaptureTorchModeOff);
    EXPECT_EQ(rear->torchLevel(), 0.0f) << "a dark torch has no level";
    rear->setTorchMode(AVCaptureTorchModeOn);
    EXPECT_FLOAT_EQ(rear->torchLevel(), AVCaptureMaxAvailableTorchLevel) << "mode On lights it fully";
    rear->unlockForConfiguration();
    front->unlockForConfiguration();
}

TEST_F(CaptureDeviceTest, ModesStartAtTheMostAutomaticOneSupported)
{
    Description described;
    described.focusModes = {AVCaptureFocusModeLocked, AVCaptureFocusModeAutoFocus};
    described.exposureModes = {};
    AVCaptureDevice::setDevicesForTesting(std::vector{described});
    auto device = AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
    EXPECT_EQ(device->focusMode(), AVCaptureFocusModeAutoFocus);
    EXPECT_EQ(device->exposureMode(), AVCaptureExposureModeLocked);
    ASSERT_TRUE(device->lockForConfiguration());
    device->setExposureMode(AVCaptureExposureModeContinuousAutoExposure);
    EXPECT_EQ(device->exposureMode(), AVCaptureExposureModeLocked);
}

} // namespace
