#pragma once
// The local camera and microphone of a video call, and the still images of the camera that the
// agent asks for as screenshots. Both video call handlers make one when they start and stop it
// when they reset.
//
// Threads: startWithCallback is called on the main queue and its callback runs on the media
// stack's thread, where the stream and the still-image output are stored (under a lock, since
// the main queue reads them). createScreenshot is called on the main queue and reports there:
// a still image is decoded on a global queue, failed attempts come back to the main queue
// before they are retried or reported. unsuccessfulImageCaptures belongs to the main queue.
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class AVCaptureStillImageOutput;
class LocalCaptureStream;
class LocalPreviewView;
class UIImage;

class KVNOrvelLocalMedia : public std::enable_shared_from_this<KVNOrvelLocalMedia> {
public:
    using StartCallback = std::function<void(std::shared_ptr<LocalPreviewView> view, std::exception_ptr exception)>;
    using ScreenshotCompletion = std::function<void(std::shared_ptr<UIImage> image, bool success)>;

    // Waits this long on the main queue after a failed capture before the next attempt.
    static constexpr double retryDelaySeconds = 0.1;
    // Failed attempts retried before a screenshot reports failure (five attempts in all).
    static constexpr long maximumRetries = 4;

    // Starts camera and microphone. The callback runs once, on the media stack's thread, with
    // the local preview, or with the stack's exception. Holds this object until then.
    void startWithCallback(StartCallback callback);
    void setupImageCaptureOutput();
    // One still image; the completion runs exactly once while the media runs (on the main
    // queue, or at once when there is no stream or output, after stop included).
    void createScreenshot(ScreenshotCompletion completion);
    void retryCaptureStillImage(ScreenshotCompletion completion);
    void captureStillImage(ScreenshotCompletion completion);
    // Stops the stream and forgets it and the output; a start still under way is stopped as
    // soon as the stack answers.
    void stop();

    std::shared_ptr<LocalCaptureStream> localMediaStream() const;
    void setLocalMediaStream(std::shared_ptr<LocalCaptureStream> stream);
    std::shared_ptr<AVCaptureStillImageOutput> imageOutput() const;
    void setImageOutput(std::shared_ptr<AVCaptureStillImageOutput> output);
    long unsuccessfulImageCaptures() const { return m_unsuccessfulImageCaptures; }
    void setUnsuccessfulImageCaptures(long count) { m_unsuccessfulImageCaptures = count; }

private:
    void didStart(std::shared_ptr<LocalCaptureStream> stream);

    mutable std::mutex m_mutex;
    std::shared_ptr<LocalCaptureStream> m_localMediaStream;
    std::shared_ptr<AVCaptureStillImageOutput> m_imageOutput;
    bool m_stopped = false;
    long m_unsuccessfulImageCaptures = 0;
};
