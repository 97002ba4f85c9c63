#pragma once
// A synthetic camera as a video source: it takes the picture its capture session's camera
// sees (AVFoundation's test pattern) at the asked size and rate and delivers it as I420 frames
// on a capture thread of its own. The capture session is the one a still-image output attaches
// to; switching cameras swaps the session's input, and the next frame shows the other camera.
// Any thread; frames arrive on the capture thread.
#include <memory>
#include <mutex>

#include "MediaStack/Capture/CameraCaptureProvider.h"
#include "MediaStack/Capture/FrameHandlerList.h"
#include "MediaStack/Session/VideoSource.h"

class AVCaptureDevice;

namespace media {

class CaptureThread;

class CameraCapture : public VideoSource, public CameraCaptureProvider {
public:
    CameraCapture(std::shared_ptr<AVCaptureDevice> device, int width, int height, int frameRate);
    ~CameraCapture() override;

    void start();
    // Joins the capture thread (unless called from a frame handler); no frame follows.
    void stop();

    std::shared_ptr<AVCaptureDevice> device() const;
    void switchToDevice(const std::shared_ptr<AVCaptureDevice>& device);

    uint64_t addFrameHandler(FrameHandler handler) override;
    void removeFrameHandler(uint64_t token) override;
    // None once stopped.
    std::shared_ptr<AVCaptureSession> captureSession() const override;

private:
    const int m_width;
    const int m_height;
    const int m_frameRate;
    const std::shared_ptr<AVCaptureSession> m_session;
    const std::shared_ptr<FrameHandlerList<VideoFrame>> m_handlers;
    mutable std::mutex m_mutex;
    std::unique_ptr<CaptureThread> m_thread;
    bool m_stopped = false;
};

} // namespace media
