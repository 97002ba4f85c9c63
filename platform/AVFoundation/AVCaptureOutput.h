#pragma once
// Base of what a capture session delivers to. An output belongs to at most one session at a
// time; its connection for a media type exists while that session has an input of the type,
// and stays the same object (with its orientation and mirroring) while the output stays in
// that session. Any thread.
#include <memory>
#include <mutex>

#include "AVFoundation/AVMediaFormat.h"
#include "Foundation/Badge.h"

class AVCaptureConnection;
class AVCaptureSession;

class AVCaptureOutput : public std::enable_shared_from_this<AVCaptureOutput> {
public:
    virtual ~AVCaptureOutput() = default;

    std::shared_ptr<AVCaptureSession> session() const;
    // nullptr when the output is in no session or its session has no input of the type.
    std::shared_ptr<AVCaptureConnection> connectionWithMediaType(const AVMediaType& mediaType);

    void setSession(kvn::Badge<AVCaptureSession>, std::weak_ptr<AVCaptureSession> session);

private:
    mutable std::mutex m_mutex;
    std::weak_ptr<AVCaptureSession> m_session;
    std::shared_ptr<AVCaptureConnection> m_connection;
};
