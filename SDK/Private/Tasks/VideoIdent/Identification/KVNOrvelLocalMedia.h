#pragma once
// The local camera and microphone of a video call and its still-image screenshots: started
// once by a call handler, which shows the preview, builds the conference's streams on the
// running stream and asks for screenshots, and stopped at the handler's reset.
// Main thread for the calls; the start's completion arrives on a media-stack thread.
#include <exception>
#include <functional>
#include <memory>

class AVCaptureStillImageOutput;
class LocalCaptureStream;
class UIImage;
class UIView;

class KVNOrvelLocalMedia : public std::enable_shared_from_this<KVNOrvelLocalMedia> {
public:
    using StartCallback = std::function<void(const std::shared_ptr<UIView>& preview, std::exception_ptr failure)>;
    using ScreenshotCallback = std::function<void(const std::shared_ptr<UIImage>& image, bool success)>;

    // The completion gets the preview and none, or none and the failure.
    void startWithCallback(StartCallback callback);
    void setupImageCaptureOutput();
    // Runs exactly once for running media; at once with (none, NO) without it.
    void createScreenshot(ScreenshotCallback callback);
    void stop();

    std::shared_ptr<LocalCaptureStream> localMediaStream() const { return m_localMediaStream; }
    std::shared_ptr<AVCaptureStillImageOutput> imageOutput() const { return m_imageOutput; }

private:
    std::shared_ptr<LocalCaptureStream> m_localMediaStream;
    std::shared_ptr<AVCaptureStillImageOutput> m_imageOutput;
};
