#pragma once
// The local stream of a granted media request: the synthetic camera and microphone, started,
// with the preview view fed from the camera. Video devices are numbered by their place in the
// machine's camera list; a number for a missing camera is -1.
// Main thread for the calls (any thread is safe); the sources deliver on their capture threads.
#include <memory>
#include <mutex>
#include <vector>

#include "MediaStack/Capture/LocalCaptureStream.h"

class AVCaptureDevice;
class LocalPreviewView;

namespace media {

class CameraCapture;
class MicrophoneCapture;

class DeviceCaptureStream : public LocalCaptureStream {
public:
    // Either capture may be missing (a request for audio or video only).
    DeviceCaptureStream(std::vector<std::shared_ptr<AVCaptureDevice>> cameras, std::shared_ptr<CameraCapture> camera,
                        std::shared_ptr<MicrophoneCapture> microphone);
    ~DeviceCaptureStream() override;

    // The preview shows every camera frame from now until stop; the view is held weakly.
    void attachPreview(const std::shared_ptr<LocalPreviewView>& preview);

    std::shared_ptr<VideoSource> videoSource() const override;
    std::shared_ptr<AudioSource> audioSource() const override;
    std::shared_ptr<CameraCaptureProvider> cameraProvider() const override;

    int videoDeviceNumber() const override;
    int rearVideoDeviceNumber() const override;
    int frontVideoDeviceNumber() const override;
    // A number that names no camera, or a stopped stream, changes nothing.
    void switchVideoDevice(int deviceNumber) override;

    void stop() override;

private:
    int deviceNumberAt(int position) const;

    const std::vector<std::shared_ptr<AVCaptureDevice>> m_cameras;
    const std::shared_ptr<CameraCapture> m_camera;
    const std::shared_ptr<MicrophoneCapture> m_microphone;
    mutable std::mutex m_mutex;
    uint64_t m_previewToken = 0;
    bool m_stopped = false;
};

} // namespace media
