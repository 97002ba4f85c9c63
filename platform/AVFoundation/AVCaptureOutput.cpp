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
    m_connection.reset();
}

std::shared_ptr<AVCaptureConnection> AVCaptureOutput::connectionWithMediaType(const AVMediaType& mediaType)
{
    auto owner = session();
    if (!owner || !owner->hasInputWithMediaType(mediaType))
        return nullptr;
    std::lock_guard lock(m_mutex);
    if (!m_connection || m_connection->mediaType() != mediaType || m_connection->session() != owner)
        m_connection = std::make_shared<AVCaptureConnection>(weak_from_this(), owner, mediaType);
    return m_connection;
}
