#include <gtest/gtest.h>

#include "AVFoundation/AVCaptureDevice.h"
#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"

using namespace KVNExtensions;

namespace {

class CaptureDeviceExtensions : public ::testing::Test {
protected:
    void TearDown() override { AVCaptureDevice::setDevicesForTesting(std::nullopt); }

    std::shared_ptr<AVCaptureDevice> useDevices(std::vector<AVCaptureDevice::Description> descriptions)
    {
        AVCaptureDevice::setDevicesForTesting(std::move(descriptions));
        return AVCaptureDevice::defaultDeviceWithMediaType(AVMediaTypeVideo);
    }
};

} // namespace

TEST_F(CaptureDeviceExtensions, TorchSwitchesAndLocksOnlyOnChange)
{
    auto device = useDevices({AVCaptureDevice::Description::backCamera()});
    ASSERT_TRUE(device);
    ASSERT_TRUE(hasTorch());
    EXPECT_FALSE(isTorchOn());

    setTorchEnabled(true);
    EXPECT_TRUE(isTorchOn());
    EXPECT_EQ(device->lockCountForTesting(), 1);

    setTorchEnabled(true);
    EXPECT_TRUE(isTorchOn());
    EXPECT_EQ(device->lockCountForTesting(), 1) << "already on: the device is not locked again";

    setTorchEnabled(false);
    EXPECT_FALSE(isTorchOn());
    EXPECT_EQ(device->lockCountForTesting(), 2);

    setTorchEnabled(false);
    EXPECT_EQ(device->lockCountForTesting(), 2);
}

TEST_F(CaptureDeviceExtensions, TorchLeftAloneWhenTheLockFails)
{
    auto description = AVCaptureDevice::Description::backCamera();
    description.lockFails = true;
    auto device = useDevices({description});
    setTorchEnabled(true);
    EXPECT_FALSE(isTorchOn());
    EXPECT_EQ(device->lockCountForTesting(), 1);
}

TEST_F(CaptureDeviceExtensions, DeviceWithoutTorchOrPointsIsNeverLockedForThem)
{
    auto device = useDevices({AVCaptureDevice::Description::frontCamera()});
    ASSERT_TRUE(device);
    EXPECT_FALSE(hasTorch());
    setTorchEnabled(true);
    EXPECT_FALSE(isTorchOn());
    EXPECT_FALSE(canSetFocusPointOfInterest());
    autofocusPoint({0.2, 0.3});
    EXPECT_EQ(device->lockCountForTesting(), 0);
    EXPECT_EQ(device->focusPointOfInterest(), (CGPoint{0.5, 0.5}));
}

TEST_F(CaptureDeviceExtensions, AutofocusPointThenReset)
{
    auto device = useDevices({AVCaptureDevice::Description::backCamera()});
    ASSERT_TRUE(canSetFocusPointOfInterest());

    autofocusPoint({0.2, 0.7});
    EXPECT_EQ(device->focusPointOfInterest(), (CGPoint{0.2, 0.7}));
    EXPECT_EQ(device->focusMode(), AVCaptureFocusModeAutoFocus);
    EXPECT_EQ(device->exposurePointOfInterest(), (CGPoint{0.2, 0.7}));
    EXPECT_EQ(device->exposureMode(), AVCaptureExposureModeAutoExpose);

    resetAutofocus();
    EXPECT_EQ(device->focusPointOfInterest(), (CGPoint{0.5, 0.5}));
    EXPECT_EQ(device->focusMode(), AVCaptureFocusModeContinuousAutoFocus);
    EXPECT_EQ(device->exposurePointOfInterest(), (CGPoint{0.5, 0.5}));
    EXPECT_EQ(device->exposureMode(), AVCaptureExposureModeContinuousAutoExposure);
}

TEST_F(CaptureDeviceExtensions, ModesOnlyWhereSupported)
{
    auto description = AVCaptureDevice::Description::backCamera();
    description.focusModes = {AVCaptureFocusModeLocked, AVCaptureFocusModeContinuousAutoFocus};
    description.exposurePointOfInterestSupported = false;
    auto device = useDevices({description});
    auto focusModeBefore = device->focusMode();

    autofocusPoint({0.1, 0.1});
    EXPECT_EQ(device->focusMode(), focusModeBefore) << "no focus-once mode: focus untouched";
    EXPECT_EQ(device->focusPointOfInterest(), (CGPoint{0.5, 0.5}));
    EXPECT_EQ(device->exposurePointOfInterest(), (CGPoint{0.5, 0.5})) << "no exposure point support";
}

TEST_F(CaptureDeviceExtensions, NoCameraDoesNothing)
{
    useDevices({});
    EXPECT_FALSE(hasTorch());
    EXPECT_FALSE(isTorchOn());
    EXPECT_FALSE(canSetFocusPointOfInterest());
    setTorchEnabled(true);
    autofocusPoint({0.5, 0.5});
    resetAutofocus();
}
