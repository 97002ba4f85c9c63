#pragma once
// A camera's capture session: its input (the camera), its outputs (where a still-image output
// attaches) and the preset that sets the size of its pictures. What presets a session can take
// depends on its camera (AVCaptureDevice::Description lists what a camera cannot deliver);
// a session without a camera takes every preset it knows.
//
// Whoever runs the camera (the media stack's capture) tells the session the size it captures
// at, which the input-priority preset keeps, and the number of the picture it took last, so a
// still image shows what the camera sees now.
// Any thread; the session guards its own state.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

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

class AVCaptureSession : public std::enable_shared_from_this<AVCaptureSession> {
public:
    AVCaptureSession() = default;

    // A preset the session knows and every camera of its inputs can deliver.
    bool canSetSessionPreset(const AVCaptureSessionPreset& preset) const;
    AVCaptureSessionPreset sessionPreset() const;
    // A preset the session cannot take leaves the current one (and answers false).
    bool setSessionPreset(const AVCaptureSessionPreset& preset);

    std::vector<std::shared_ptr<AVCaptureDeviceInput>> inputs() const;
    // One input a media type.
    bool canAddInput(const std::shared_ptr<AVCaptureDeviceInput>& input) const;
    bool addInput(const std::shared_ptr<AVCaptureDeviceInput>& input);
    void removeInput(const std::shared_ptr<AVCaptureDeviceInput>& input);

    std::vector<std::shared_ptr<AVCaptureOutput>> outputs() const;
    // An output that belongs to no session yet.
    bool canAddOutput(const std::shared_ptr<AVCaptureOutput>& output) const;
    bool addOutput(const std::shared_ptr<AVCaptureOutput>& output);
    void removeOutput(const std::shared_ptr<AVCaptureOutput>& output);

    void startRunning();
    void stopRunning();
    bool isRunning() const;

    // The camera's side ---------------------------------------------------------------------
    // The device of the video input, or nullptr.
    std::shared_ptr<AVCaptureDevice> videoDevice() const;
    // The size pictures have under the current preset.
    CMVideoDimensions presetDimensions() const;
    void setCaptureDimensions(CMVideoDimensions dimensions);
    void setFrameNumber(uint64_t frameNumber);
    uint64_t frameNumber() const;
    // What the camera sees now, at the preset's size; nullptr without a camera.
    CGImageRef currentPicture() const;

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
};
