#pragma once
// The session output that takes still pictures: each capture encodes what the camera sees at
// that moment, at the session preset's size, as JPEG (the one codec of its output settings).
// The pixels stay in the sensor's orientation; the connection's orientation and mirroring go
// into the JPEG's EXIF orientation, as a phone's camera writes them.
// Captures run one after another on the output's own queue, and their completion runs there,
// never on the caller's thread.
// Any thread.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "AVFoundation/AVCaptureOutput.h"
#include "AVFoundation/CMSampleBuffer.h"
#include "Foundation/Dispatch.h"
#include "Foundation/NSError.h"

class AVCaptureConnection;

class AVCaptureStillImageOutput : public AVCaptureOutput {
public:
    using OutputSettings = std::map<std::string, std::string>;
    using CompletionHandler = std::function<void(CMSampleBufferRef imageDataSampleBuffer, std::shared_ptr<NSError> error)>;

    AVCaptureStillImageOutput();

    OutputSettings outputSettings() const;
    // Settings that ask for another codec than JPEG are refused (false) and the old ones stay.
    bool setOutputSettings(OutputSettings settings);

    // The completion gets the picture, or an error when the connection is not this output's,
    // its session does not run (AVErrorSessionNotRunning) or has no camera
    // (AVErrorDeviceNotConnected), or the capture fails; never an empty picture.
    void captureStillImageAsynchronouslyFromConnection_completionHandler(const std::shared_ptr<AVCaptureConnection>& connection,
                                                                         CompletionHandler handler);
    // The JPEG bytes of a still image's buffer; nullopt for none.
    static std::optional<NSData> jpegStillImageNSDataRepresentation(const CMSampleBufferRef& buffer);

    // Test controls ------------------------------------------------------------------------
    // How a capture goes wrong: with an error, as a camera's sometimes do, or with a buffer
    // whose bytes are no JPEG.
    enum class CaptureFault { Error, DamagedData };
    // The next `count` captures go wrong that way.
    void failNextCapturesForTesting(int count, CaptureFault fault = CaptureFault::Error);
    // Captures asked for so far, failed ones included.
    long captureCountForTesting() const;

private:
    void capture(const std::shared_ptr<AVCaptureConnection>& connection, const CompletionHandler& handler);

    dispatch_queue_t m_queue;
    mutable std::mutex m_mutex;
    OutputSettings m_settings;
    int m_failuresToCome = 0;
    CaptureFault m_fault = CaptureFault::Error;
    long m_captureCount = 0;
};
