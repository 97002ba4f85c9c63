#pragma once
// The link between a session's input of one media type and one of its outputs. It names
// both ends; whether it still carries anything is asked of the session at use. Any thread.
#include <memory>

#include "AVFoundation/AVMediaFormat.h"

class AVCaptureOutput;
class AVCaptureSession;

class AVCaptureConnection {
public:
    AVCaptureConnection(std::weak_ptr<AVCaptureOutput> output, std::weak_ptr<AVCaptureSession> session, AVMediaType mediaType)
        : m_output(std::move(output)), m_session(std::move(session)), m_mediaType(std::move(mediaType))
    {
    }

    std::shared_ptr<AVCaptureOutput> output() const { return m_output.lock(); }
    std::shared_ptr<AVCaptureSession> session() const { return m_session.lock(); }
    const AVMediaType& mediaType() const { return m_mediaType; }
    // Pictures flow: the session runs and still holds the output.
    bool isActive() const;

private:
    const std::weak_ptr<AVCaptureOutput> m_output;
    const std::weak_ptr<AVCaptureSession> m_session;
    const AVMediaType m_mediaType;
};
