#include "AVFoundation/AVCaptureStillImageOutput.h"

#include <algorithm>

#include <turbojpeg.h>

#include "AVFoundation/AVCaptureConnection.h"
#include "AVFoundation/AVCaptureSession.h"
#include "AVFoundation/AVError.h"
#include "AVFoundation/AVVideoSettings.h"

namespace {

struct TurboJpegDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboJpegHandle = std::unique_ptr<void, TurboJpegDeleter>;

struct TurboJpegBufferDeleter {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

constexpr int kJpegQuality = 90;

std::optional<NSData> encodeJpeg(const CGImageRef& image)
{
    TurboJpegHandle handle(tjInitCompress());
    if (!handle || !image)
        return std::nullopt;
    // CGImage holds host-endian 0xAARRGGBB words: bytes B, G, R, A on this little-endian host.
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int result = tjCompress2(handle.get(), image->data(), static_cast<int>(image->width()), static_cast<int>(image->bytesPerRow()),
                             static_cast<int>(image->height()), TJPF_BGRX, &out, &size, TJSAMP_420, kJpegQuality, 0);
    std::unique_ptr<unsigned char, TurboJpegBufferDeleter> owned(out);
    if (result != 0 || !out)
        return std::nullopt;
    return NSData(out, out + size);
}

std::shared_ptr<NSError> captureError(AVError code, const char* description)
{
    return NSError::errorWithDomain_code_userInfo(AVFoundationErrorDomain, code, {{NSLocalizedDescriptionKey, std::string(description)}});
}

} // namespace

AVCaptureStillImageOutput::AVCaptureStillImageOutput()
    : m_queue(dispatch_queue_create("AVCaptureStillImageOutput")), m_settings{{AVVideoCodecKey, AVVideoCodecJPEG}}
{
}

AVCaptureStillImageOutput::OutputSettings AVCaptureStillImageOutput::outputSettings() const
{
    std::lock_guard lock(m_mutex);
    return m_settings;
}

bool AVCaptureStillImageOutput::setOutputSettings(OutputSettings settings)
{
    auto codec = settings.find(AVVideoCodecKey);
    if (codec == settings.end() || codec->second != AVVideoCodecJPEG)
        return false;
    std::lock_guard lock(m_mutex);
    m_settings = std::move(settings);
    return true;
}

void AVCaptureStillImageOutput::captureStillImageAsynchronouslyFromConnection_completionHandler(
    const std::shared_ptr<AVCaptureConnection>& connection, CompletionHandler handler)
{
    if (!handler)
        return;
    {
        std::lock_guard lock(m_mutex);
        ++m_captureCount;
    }
    auto self = std::static_pointer_cast<AVCaptureStillImageOutput>(shared_from_this());
    dispatch_async(m_queue, [self, connection, handler = std::move(handler)] { self->capture(connection, handler); });
}

void AVCaptureStillImageOutput::capture(const std::shared_ptr<AVCaptureConnection>& connection, const CompletionHandler& handler)
{
    std::optional<CaptureFault> fault;
    {
        std::lock_guard lock(m_mutex);
        if (m_failuresToCome > 0) {
            --m_failuresToCome;
            fault = m_fault;
        }
    }
    if (fault == CaptureFault::Error) {
        handler(nullptr, captureError(AVErrorUnknown, "The still image could not be captured."));
        return;
    }
    if (fault == CaptureFault::DamagedData) {
        handler(std::make_shared<CMSampleBuffer>(NSDataFromString("\xFF\xD8 no picture"), CMVideoDimensions{}), nullptr);
        return;
    }
    if (!connection || connection->output().get() != this || !connection->isActive()) {
        handler(nullptr, captureError(AVErrorSessionNotRunning, "The capture session is not running."));
        return;
    }
    auto session = connection->session();
    auto picture = session ? session->currentPicture() : nullptr;
    auto jpeg = encodeJpeg(picture);
    if (!jpeg) {
        handler(nullptr, captureError(AVErrorUnknown, "The still image could not be captured."));
        return;
    }
    CMVideoDimensions size{static_cast<int32_t>(picture->width()), static_cast<int32_t>(picture->height())};
    handler(std::make_shared<CMSampleBuffer>(std::move(*jpeg), size), nullptr);
}

std::optional<NSData> AVCaptureStillImageOutput::jpegStillImageNSDataRepresentation(const CMSampleBufferRef& buffer)
{
    if (!buffer)
        return std::nullopt;
    return buffer->jpegData();
}

void AVCaptureStillImageOutput::failNextCapturesForTesting(int count, CaptureFault fault)
{
    std::lock_guard lock(m_mutex);
    m_failuresToCome = std::max(0, count);
    m_fault = fault;
}

long AVCaptureStillImageOutput::captureCountForTesting() const
{
    std::lock_guard lock(m_mutex);
    return m_captureCount;
}
