#include "MediaStack/Capture/DeviceCaptureStream.h"

#include "AVFoundation/AVCaptureDevice.h"
#include "MediaStack/Capture/CameraCapture.h"
#include "MediaStack/Capture/MicrophoneCapture.h"
#include "MediaStack/Views/LocalPreviewView.h"

namespace media {

DeviceCaptureStream::DeviceCaptureStream(std::vector<std::shared_ptr<AVCaptureDevice>> cameras, std::shared_ptr<CameraCapture> camera,
                                         std::shared_ptr<MicrophoneCapture> microphone)
    : m_cameras(std::move(cameras)), m_camera(std::move(camera)), m_microphone(std::move(microphone))
{
}

DeviceCaptureStream::~DeviceCaptureStream() { stop(); }

void DeviceCaptureStream::attachPreview(const std::shared_ptr<LocalPreviewView>& preview)
{
    if (!m_camera || !preview)
        return;
    std::lock_guard lock(m_mutex);
    if (m_stopped || m_previewToken)
        return;
    m_previewToken =
        m_camera->addFrameHandler([weakPreview = std::weak_ptr<LocalPreviewView>(preview)](const std::shared_ptr<VideoFrame>& frame) {
            if (auto view = weakPreview.lock())
                view->renderFrame(frame);
        });
}

std::shared_ptr<VideoSource> DeviceCaptureStream::videoSource() const { return m_camera; }

std::shared_ptr<AudioSource> DeviceCaptureStream::audioSource() const { return m_microphone; }

std::shared_ptr<CameraCaptureProvider> DeviceCaptureStream::cameraProvider() const
{
    std::lock_guard lock(m_mutex);
    return m_stopped ? nullptr : m_camera;
}

int DeviceCaptureStream::deviceNumberAt(int position) const
{
    for (size_t i = 0; i < m_cameras.size(); ++i) {
        if (m_cameras[i]->position() == position)
            return static_cast<int>(i);
    }
    return -1;
}

int DeviceCaptureStream::videoDeviceNumber() const
{
    auto device = m_camera ? m_camera->device() : nullptr;
    for (size_t i = 0; i < m_cameras.size(); ++i) {
        if (m_cameras[i] == device)
            return static_cast<int>(i);
    }
    return -1;
}

int DeviceCaptureStream::rearVideoDeviceNumber() const { return deviceNumberAt(AVCaptureDevicePositionBack); }

int DeviceCaptureStream::frontVideoDeviceNumber() const { return deviceNumberAt(AVCaptureDevicePositionFront); }

void DeviceCaptureStream::switchVideoDevice(int deviceNumber)
{
    if (!m_camera || deviceNumber < 0 || deviceNumber >= static_cast<int>(m_cameras.size()))
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
    }
    m_camera->switchToDevice(m_cameras[deviceNumber]);
}

void DeviceCaptureStream::stop()
{
    uint64_t previewToken;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        m_stopped = true;
        previewToken = m_previewToken;
        m_previewToken = 0;
    }
    if (m_camera) {
        m_camera->removeFrameHandler(previewToken);
        m_camera->stop();
    }
    if (m_microphone)
        m_microphone->stop();
}

} // namespace media
