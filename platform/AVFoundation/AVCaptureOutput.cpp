#include "AVFoundation/AVCaptureOutput.h"

#include "AVFoundation/AVCaptureConnection.h"
#include "AVFoundation/AVCaptureSession.h"

std::shared_ptr<AVCaptureSession> AVCaptureOutput::session() const
{
    std::lock_guard lock(m_mutex);
    return m_session.lock();
}

void AVCaptureOutput::setSession(kvn::Badge<AVCaptureSession>, std::weak_ptr<AVCaptureSession> session)
{
    std::lock_guard lock(m_mutex);
    m_session = std::move(session);
}

std::shared_ptr<AVCaptureConnection> AVCaptureOutput::connectionWithMediaType(const AVMediaType& mediaType)
{
    auto owner = session();
    if (!owner)
        return nullptr;
    for (const auto& input : owner->inputs()) {
        if (input->device()->hasMediaType(mediaType))
            return std::make_shared<AVCaptureConnection>(weak_from_this(), owner, mediaType);
    }
    return nullptr;
}
