#include "MediaStack/Capture/CameraCapture.h"

#include <algorithm>

#include <libyuv.h>

#include "AVFoundation/AVCaptureSession.h"
#include "AVFoundation/SyntheticCameraPicture.h"
#include "MediaStack/Capture/CaptureThread.h"

namespace media {

namespace {

std::shared_ptr<VideoFrame> i420FromPicture(const CGImageRef& picture)
{
    const int width = static_cast<int>(picture->width());
    const int height = static_cast<int>(picture->height());
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    auto y = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(width) * height);
    auto u = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(chromaWidth) * chromaHeight);
    auto v = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(chromaWidth) * chromaHeight);
    // CGImage's host-endian 0xAARRGGBB words are what libyuv calls ARGB.
    libyuv::ARGBToI420(picture->data(), static_cast<int>(picture->bytesPerRow()), y->data(), width, u->data(), chromaWidth, v->data(),
                       chromaWidth, width, height);
    auto frame = std::make_shared<VideoFrame>();
    frame->width = width;
    frame->height = height;
    frame->format = VideoFormatI420;
    frame->planes = {{std::move(y), width}, {std::move(u), chromaWidth}, {std::move(v), chromaWidth}};
    return frame;
}

} // namespace

CameraCapture::CameraCapture(std::shared_ptr<AVCaptureDevice> device, int width, int height, int frameRate)
    : m_width(width), m_height(height), m_frameRate(std::clamp(frameRate, 1, 120)), m_session(std::make_shared<AVCaptureSession>()),
      m_handlers(std::make_shared<FrameHandlerList<VideoFrame>>())
{
    m_session->setCaptureDimensions({width, height});
    // The call's frames are landscape pictures, and its screenshots show what the agent sees.
    m_session->setDefaultVideoOrientation(AVCaptureVideoOrientationLandscapeRight);
    m_session->addInput(AVCaptureDeviceInput::deviceInputWithDevice_error(std::move(device)));
}

CameraCapture::~CameraCapture() { stop(); }

void CameraCapture::start()
{
    std::lock_guard lock(m_mutex);
    if (m_thread || m_stopped)
        return;
    m_session->startRunning();
    // The thread holds what it needs itself, so it never reaches this object.
    m_thread =
        std::make_unique<CaptureThread>(std::chrono::nanoseconds(1'000'000'000 / m_frameRate),
                                        [session = m_session, handlers = m_handlers, width = m_width, height = m_height](uint64_t number) {
                                            auto device = session->videoDevice();
                                            if (!device)
                                                return;
                                            auto picture = kvn::SyntheticCameraPicture::draw(device->position(), number, width, height);
                                            if (!picture)
                                                return;
                                            session->setFrameNumber(number);
                                            handlers->deliver(i420FromPicture(picture));
                                        });
}

void CameraCapture::stop()
{
    std::unique_ptr<CaptureThread> thread;
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        thread = std::move(m_thread);
    }
    m_session->stopRunning();
    if (thread)
        thread->stop();
}

std::shared_ptr<AVCaptureDevice> CameraCapture::device() const { return m_session->videoDevice(); }

void CameraCapture::switchToDevice(const std::shared_ptr<AVCaptureDevice>& device)
{
    if (!device || !device->hasMediaType(AVMediaTypeVideo))
        return;
    for (const auto& input : m_session->inputs()) {
        if (input->device()->hasMediaType(AVMediaTypeVideo))
            m_session->removeInput(input);
    }
    m_session->addInput(std::make_shared<AVCaptureDeviceInput>(device));
}

uint64_t CameraCapture::addFrameHandler(FrameHandler handler) { return m_handlers->add(std::move(handler)); }

void CameraCapture::removeFrameHandler(uint64_t token) { m_handlers->remove(token); }

std::shared_ptr<AVCaptureSession> CameraCapture::captureSession() const
{
    std::lock_guard lock(m_mutex);
    return m_stopped ? nullptr : m_session;
}

} // namespace media
