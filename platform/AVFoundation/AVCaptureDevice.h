#pragma once
// The machine's cameras (and, where a test adds one, microphones), with the torch, focus and
// exposure controls the app drives. A headless machine has no camera, so the devices are
// synthetic and described by the machine's configuration:
//   KVN_CAMERAS unset or empty: a rear camera (torch, focus and exposure points) and a front
//     camera (no torch, no points of interest);
//   KVN_CAMERAS="back,front", "front", "back", "none": those cameras, in that order.
// Tests replace the set with setDevicesForTesting.
//
// Devices are process-wide objects: every query hands out the same object for the same device
// until the set is replaced, so a torch switched on through one query is on in the next.
// Any thread; each device guards its own state. As on a phone, the torch, focus and exposure
// setters change nothing unless the device is locked for configuration, or when the device
// does not support the value asked for.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "AVFoundation/AVMediaFormat.h"
#include "CoreGraphics/CGGeometry.h"
#include "Foundation/NSError.h"

enum AVCaptureDevicePosition : long {
    AVCaptureDevicePositionUnspecified = 0,
    AVCaptureDevicePositionBack = 1,
    AVCaptureDevicePositionFront = 2,
};

enum AVCaptureTorchMode : long {
    AVCaptureTorchModeOff = 0,
    AVCaptureTorchModeOn = 1,
    AVCaptureTorchModeAuto = 2,
};

enum AVCaptureFocusMode : long {
    AVCaptureFocusModeLocked = 0,
    AVCaptureFocusModeAutoFocus = 1,
    AVCaptureFocusModeContinuousAutoFocus = 2,
};

enum AVCaptureExposureMode : long {
    AVCaptureExposureModeLocked = 0,
    AVCaptureExposureModeAutoExpose = 1,
    AVCaptureExposureModeContinuousAutoExposure = 2,
};

// The user's decision on an app's access to a kind of capture device.
enum AVAuthorizationStatus : long {
    AVAuthorizationStatusNotDetermined = 0,
    AVAuthorizationStatusRestricted = 1,
    AVAuthorizationStatusDenied = 2,
    AVAuthorizationStatusAuthorized = 3,
};

// The brightest torch level a device allows; what setTorchModeOnWithLevel_error takes for "full".
inline constexpr float AVCaptureMaxAvailableTorchLevel = 1.0f;

using AVCaptureDeviceType = std::string;
extern const AVCaptureDeviceType AVCaptureDeviceTypeBuiltInWideAngleCamera;
extern const AVCaptureDeviceType AVCaptureDeviceTypeBuiltInMicrophone;

class AVCaptureDevice {
public:
    // What one synthetic device is and can do. Its controls start at the first supported value
    // of continuous, automatic, locked (focus, exposure); the torch starts off; points of
    // interest start at the centre.
    struct Description {
        AVCaptureDevicePosition position = AVCaptureDevicePositionBack;
        AVMediaType mediaType = AVMediaTypeVideo;
        bool hasTorch = false;
        bool focusPointOfInterestSupported = false;
        bool exposurePointOfInterestSupported = false;
        std::vector<AVCaptureFocusMode> focusModes;
        std::vector<AVCaptureExposureMode> exposureModes;
        bool lockFails = false; // lockForConfiguration always fails, as when another process holds it
        // Session presets this camera cannot deliver (AVCaptureSession.h names them); it takes every other.
        std::vector<std::string> unsupportedSessionPresets;

        // The devices of the default set, as starting points for a test's own.
        static Description backCamera();
        static Description frontCamera();
    };

    // The system's default device for the media type (for video the rear camera when there is
    // one, else the first camera); null when there is none.
    static std::shared_ptr<AVCaptureDevice> defaultDeviceWithMediaType(const AVMediaType& mediaType);
    // The first device of that type, media type and position (Unspecified: any); null when none.
    static std::shared_ptr<AVCaptureDevice> defaultDeviceWithDeviceType_mediaType_position(
        const AVCaptureDeviceType& deviceType, const AVMediaType& mediaType, AVCaptureDevicePosition position);
    static std::vector<std::shared_ptr<AVCaptureDevice>> devicesWithMediaType(const AVMediaType& mediaType);

    // Replaces the machine's devices with fresh ones made from these descriptions, in order;
    // nullopt goes back to the machine's configuration (read again at the next query).
    static void setDevicesForTesting(std::optional<std::vector<Description>> descriptions);

    // Access, per media type. As on a phone, the first request asks the user and keeps the
    // answer; later requests answer what was kept (a restricted or denied type without
    // asking). The completion runs on a global queue, never on the caller's thread. Audio is
    // the microphone permission of AVAudioSession: both read and change the same decision.
    // A headless machine's user grants: tests script the answers per media type.
    static AVAuthorizationStatus authorizationStatusForMediaType(const AVMediaType& mediaType);
    static void requestAccessForMediaType_completionHandler(const AVMediaType& mediaType, std::function<void(bool granted)> handler);
    static void setAuthorizationStatusForTesting(const AVMediaType& mediaType, AVAuthorizationStatus status);
    // What the user answers when asked for this media type.
    static void setUserAnswerForTesting(const AVMediaType& mediaType, bool grants);
    // How often access to the media type was requested.
    static long accessRequestCountForTesting(const AVMediaType& mediaType);
    // Every media type back to undetermined with a user who grants, counts at 0; the audio
    // session back to its fresh state (AVAudioSession::resetForTesting).
    static void resetAuthorizationForTesting();

    // Made by the device list; use the queries above.
    explicit AVCaptureDevice(Description description);

    AVCaptureDevicePosition position() const { return m_description.position; }
    bool hasMediaType(const AVMediaType& mediaType) const { return m_description.mediaType == mediaType; }
    bool supportsAVCaptureSessionPreset(const std::string& preset) const;

    // Configuration: true when the device is now locked; else false and *error says why.
    bool lockForConfiguration(std::shared_ptr<NSError>* error = nullptr);
    void unlockForConfiguration();
    // How often lockForConfiguration was called on this device, successful or not.
    long lockCountForTesting() const;

    bool hasTorch() const { return m_description.hasTorch; }
    bool isTorchModeSupported(AVCaptureTorchMode mode) const;
    AVCaptureTorchMode torchMode() const;
    void setTorchMode(AVCaptureTorchMode mode);
    // Whether the torch is lit: on in mode On; the synthetic scene is bright, so Auto leaves it dark.
    bool isTorchActive() const;
    // A synthetic torch never overheats, so it is available whenever the device has one.
    bool isTorchAvailable() const { return hasTorch(); }
    // 0 while the torch is dark, else its level (0 < level <= 1).
    float torchLevel() const;
    // Lights the torch at `level` (in (0, 1] or AVCaptureMaxAvailableTorchLevel). Needs the
    // configuration lock and a torch; false with *error set otherwise, or for another level.
    bool setTorchModeOnWithLevel_error(float level, std::shared_ptr<NSError>* error = nullptr);

    bool focusPointOfInterestSupported() const { return m_description.focusPointOfInterestSupported; }
    // In unit coordinates of the picture: (0, 0) top left, (1, 1) bottom right.
    CGPoint focusPointOfInterest() const;
    void setFocusPointOfInterest(CGPoint point);
    bool isFocusModeSupported(AVCaptureFocusMode mode) const;
    AVCaptureFocusMode focusMode() const;
    void setFocusMode(AVCaptureFocusMode mode);

    bool exposurePointOfInterestSupported() const { return m_description.exposurePointOfInterestSupported; }
    CGPoint exposurePointOfInterest() const;
    void setExposurePointOfInterest(CGPoint point);
    bool isExposureModeSupported(AVCaptureExposureMode mode) const;
    AVCaptureExposureMode exposureMode() const;
    void setExposureMode(AVCaptureExposureMode mode);

private:
    const AVCaptureDeviceType& deviceType() const;

    const Description m_description;
    mutable std::mutex m_mutex;
    bool m_locked = false;
    long m_lockCount = 0;
    AVCaptureTorchMode m_torchMode = AVCaptureTorchModeOff;
    float m_torchLevel = AVCaptureMaxAvailableTorchLevel;
    AVCaptureFocusMode m_focusMode = AVCaptureFocusModeLocked;
    AVCaptureExposureMode m_exposureMode = AVCaptureExposureModeLocked;
    CGPoint m_focusPoint{0.5, 0.5};
    CGPoint m_exposurePoint{0.5, 0.5};
};
