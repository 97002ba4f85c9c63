#pragma once
// The link between a session's input of one media type and one of its outputs (or the
// session's preview). It names both ends; whether it still carries anything is asked of the
// session at use. A video connection also says how its pictures are turned and mirrored
// against the camera's own orientation (landscape right: the sensor's rows as they come),
// which a still image carries as its EXIF orientation and the preview applies when it draws.
// Any thread; the connection guards its own settings.
#include <memory>
#include <mutex>

#include "AVFoundation/AVMediaFormat.h"

class AVCaptureOutput;
class AVCaptureSession;

enum AVCaptureVideoOrientation : long {
    AVCaptureVideoOrientationPortrait = 1,
    AVCaptureVideoOrientationPortraitUpsideDown = 2,
    AVCaptureVideoOrientationLandscapeRight = 3,
    AVCaptureVideoOrientationLandscapeLeft = 4,
};

class AVCaptureConnection {
public:
    // The orientation starts as the session's defaultVideoOrientation.
    AVCaptureConnection(std::weak_ptr<AVCaptureOutput> output, std::weak_ptr<AVCaptureSession> session, AVMediaType mediaType);

    // None for the preview's connection.
    std::shared_ptr<AVCaptureOutput> output() const { return m_output.lock(); }
    std::shared_ptr<AVCaptureSession> session() const { return m_session.lock(); }
    const AVMediaType& mediaType() const { return m_mediaType; }
    // Pictures flow: the session runs, has an input of the type and still holds the output.
    bool isActive() const;

    // Video connections only; elsewhere the setters change nothing.
    bool isVideoOrientationSupported() const { return m_mediaType == AVMediaTypeVideo; }
    AVCaptureVideoOrientation videoOrientation() const;
    // A value outside the four orientations is ignored.
    void setVideoOrientation(AVCaptureVideoOrientation orientation);

    bool isVideoMirroringSupported() const { return m_mediaType == AVMediaTypeVideo; }
    // With automatic mirroring: mirrored exactly while the session films with a front camera,
    // as a selfie preview is.
    bool isVideoMirrored() const;
    // Ignored while the mirroring is automatic.
    void setVideoMirrored(bool mirrored);
    bool automaticallyAdjustsVideoMirroring() const;
    void setAutomaticallyAdjustsVideoMirroring(bool automatic);

private:
    const std::weak_ptr<AVCaptureOutput> m_output;
    const std::weak_ptr<AVCaptureSession> m_session;
    const AVMediaType m_mediaType;
    const bool m_hasOutput; // false for the preview's connection
    mutable std::mutex m_mutex;
    AVCaptureVideoOrientation m_orientation;
    bool m_mirrored = false;
    bool m_automaticMirroring = false;
};
