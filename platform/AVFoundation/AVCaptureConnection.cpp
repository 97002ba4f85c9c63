#include "AVFoundation/AVCaptureConnection.h"

#include "AVFoundation/AVCaptureOutput.h"
#include "AVFoundation/AVCaptureSession.h"

AVCaptureConnection::AVCaptureConnection(std::weak_ptr<AVCaptureOutput> output, std::weak_ptr<AVCaptureSession> session,
                                         AVMediaType mediaType)
    : m_output(std::move(output)), m_session(std::move(session)), m_mediaType(std::move(mediaType)), m_hasOutput(!m_output.expired())
{
    auto owner = m_session.lock();
    m_orientation = owner ? owner->defaultVideoOrientation() : AVCaptureVideoOrientationPortrait;
}

bool AVCaptureConnection::isActive() const
{
    auto owner = session();
    if (!owner || !owner->isRunning() || !owner->hasInputWithMediaType(m_mediaType))
        return false;
    if (!m_hasOutput)
        return true;
    auto target = output();
    return target && target->session() == owner;
}

AVCaptureVideoOrientation AVCaptureConnection::videoOrientation() const
{
    std::lock_guard lock(m_mutex);
    return m_orientation;
}

void AVCaptureConnection::setVideoOrientation(AVCaptureVideoOrientation orientation)
{
    if (!isVideoOrientationSupported() || orientation < AVCaptureVideoOrientationPortrait
        || orientation > AVCaptureVideoOrientationLandscapeLeft)
        return;
    std::lock_guard lock(m_mutex);
    m_orientation = orientation;
}

bool AVCaptureConnection::isVideoMirrored() const
{
    bool automatic;
    {
        std::lock_guard lock(m_mutex);
        if (!m_automaticMirroring)
            return m_mirrored;
        automatic = m_automaticMirroring;
    }
    auto owner = session();
    auto device = owner && automatic ? owner->videoDevice() : nullptr;
    return device && device->position() == AVCaptureDevicePositionFront;
}

void AVCaptureConnection::setVideoMirrored(bool mirrored)
{
    if (!isVideoMirroringSupported())
        return;
    std::lock_guard lock(m_mutex);
    if (!m_automaticMirroring)
        m_mirrored = mirrored;
}

bool AVCaptureConnection::automaticallyAdjustsVideoMirroring() const
{
    std::lock_guard lock(m_mutex);
    return m_automaticMirroring;
}

void AVCaptureConnection::setAutomaticallyAdjustsVideoMirroring(bool automatic)
{
    std::lock_guard lock(m_mutex);
    m_automaticMirroring = automatic;
}
