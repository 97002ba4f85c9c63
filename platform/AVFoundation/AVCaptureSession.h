#pragma once
// A camera's capture session: its input (the camera), its outputs (where a still-image output
// attaches) and the preset that sets the size of its pictures. What presets a session can take
// depends on its camera (AVCaptureDevice::Description lists what a camera cannot deliver);
// a session without a camera takes every preset it knows.
//
// Whoever runs the camera (the media stack's capture) tells the session the size it captures
// at, which the input-priority preset keeps, the number of the picture it took last, so a
// still image shows what the camera sees now, and how it holds the phone. A session that
// nobody drives counts its own pictures, 30 a second on the main run loop's clock from its
// start, as a phone's camera runs while its preview shows.
//
// The photo preset gives 4:3 pictures of the document card (SyntheticCameraPicture); the other
// presets film the test bars the video call shows.
// Any thread; the session guards its own state.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "AVFoundation/AVCaptureConnection.h"
#include "AVFoundation/AVCaptureDeviceInput.h"
#include "AVFoundation/CMSampleBuffer.h"
#include "CoreGraphics/CGImage.h"

class AVCaptureOutput;

using AVCaptureSessionPreset = std::string;
extern const AVCaptureSessionPreset AVCaptureSessionPresetHigh;
extern const AVCaptureSessionPreset AVCaptureSessionPresetMedium;
extern const AVCaptureSessionPreset AVCaptureSessionPresetLow;
extern const AVCaptureSessionPreset AVCaptureSessionPreset640x480;
extern const AVCaptureSessionPreset AVCaptureSessionPreset1280x720;
extern const AVCaptureSessionPreset AVCaptureSessionPreset1920x1080;
extern const AVCaptureSessionPreset AVCaptureSessionPresetInputPriority;
extern const AVCaptureSessionPreset AVCaptureSessionPresetPhoto;

class AVCaptureSession : public std::enable_shared_from_this<AVCaptureSession> {
public:
    AVCaptureSession() = default;

    // A preset the session knows and every camera of its inputs can deliver.
    bool canSetSessionPreset(const AVCaptureSessionPreset& preset) const;
    AVCaptureSessionPreset sessionPreset() const;
    // A preset the session cannot take leaves the current one (and answers false).
    bool setSessionPreset(const AVCaptureSessionPreset& preset);

    // Changes are applied as they are made; these only bracket them, as on a phone.
    void beginConfiguration() {}
    void commitConfiguration() {}

    std::vector<std::shared_ptr<AVCaptureDeviceInput>> inputs() const;
    bool hasInputWithMediaType(const AVMediaType& mediaType) const;
    // One input a media type.
    bool canAddInput(const std::shared_ptr<AVCaptureDeviceInput>& input) const;
    bool addInput(const std::shared_ptr<AVCaptureDeviceInput>& input);
    void removeInput(const std::shared_ptr<AVCaptureDeviceInput>& input);

    std::vector<std::shared_ptr<AVCaptureOutput>> outputs() const;
    // An output that belongs to no session yet.
    bool canAddOutput(const std::shared_ptr<AVCaptureOutput>& output) const;
    bool addOutput(const std::shared_ptr<AVCaptureOutput>& output);
    void removeOutput(const std::shared_ptr<AVCaptureOutput>& output);

    // Starting a running session, or stopping a stopped one, changes nothing.
    void startRunning();
    void stopRunning();
    bool isRunning() const;

    // The camera's side ---------------------------------------------------------------------
    // The device of the video input, or nullptr.
    std::shared_ptr<AVCaptureDevice> videoDevice() const;
    // The size pictures have under the current preset.
    CMVideoDimensions presetDimensions() const;
    void setCaptureDimensions(CMVideoDimensions dimensions);
    // From the first call on, the session's frame number is the one given here.
    void setFrameNumber(uint64_t frameNumber);
    uint64_t frameNumber() const;
    // The orientation new connections start with: portrait, as an app held upright; the media
    // stack's capture holds its camera in landscape (its frames are landscape pictures).
    AVCaptureVideoOrientation defaultVideoOrientation() const;
    void setDefaultVideoOrientation(AVCaptureVideoOrientation orientation);
    // What the camera sees now, in the sensor's orientation, at the preset's size or, with a
    // `longestSide`, scaled down to it (the preview needs no more than it shows); nullptr
    // without a camera.
    CGImageRef currentPicture(int longestSide = 0) const;

private:
    static std::optional<CMVideoDimensions> knownPresetDimensions(const AVCaptureSessionPreset& preset);
    bool canSetSessionPresetLocked(const AVCaptureSessionPreset& preset) const;

    mutable std::mutex m_mutex;
    AVCaptureSessionPreset m_preset = AVCaptureSessionPresetHigh;
    std::vector<std::shared_ptr<AVCaptureDeviceInput>> m_inputs;
    std::vector<std::shared_ptr<AVCaptureOutput>> m_outputs;
    bool m_running = false;
    CMVideoDimensions m_captureDimensions{640, 480};
    uint64_t m_frameNumber = 0;
    bool m_driven = false;
    double m_startedAt = 0;
    AVCaptureVideoOrientation m_defaultOrientation = AVCaptureVideoOrientationPortrait;
};
