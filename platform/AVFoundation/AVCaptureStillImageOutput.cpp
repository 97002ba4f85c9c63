#include "AVFoundation/AVCaptureStillImageOutput.h"

#include <algorithm>

#include <turbojpeg.h>

#include "AVFoundation/AVCaptureConnection.h"
#include "AVFoundation/AVCaptureSession.h"
#include "AVFoundation/AVError.h"
#include "AVFoundation/AVVideoSettings.h"
#include "AVFoundation/CaptureGeometry.h"

namespace {

struct TurboJpegDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboJpegHandle = std::unique_ptr<void, TurboJpegDeleter>;

struct TurboJpegBufferDeleter {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

constexpr int kJpegQuality = 90;

// An APP1 segment holding one EXIF tag, the orientation, right after the start of the image.
NSData withExifOrientation(NSData jpeg, int orientation)
{
    if (orientation == 1 || jpeg.size() < 2)
        return jpeg;
    const uint8_t segment[] = {
        0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0,                   // APP1, length 34
        'M', 'M', 0x00, 0x2A, 0x00, 0x00, 0x00, 0x08,                         // big-endian TIFF, IFD at 8
        0x00, 0x01,                                                           // one entry
        0x01, 0x12, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01,                       // orientation, SHORT, 1
        0x00, static_cast<uint8_t>(orientation), 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // value, no next IFD
    };
    NSData out;
    out.reserve(jpeg.size() + sizeof segment);
    out.insert(out.end(), jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), std::begin(segment), std::end(segment));
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

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
    auto session = connection ? connection->session() : nullptr;
    if (!session || connection->output().get() != this || this->session() != session || !session->isRunning()) {
        handler(nullptr, captureError(AVErrorSessionNotRunning, "The capture session is not running."));
        return;
    }
    auto picture = session->currentPicture();
    if (!picture) {
        handler(nullptr, captureError(AVErrorDeviceNotConnected, "The capture session has no camera."));
        return;
    }
    auto jpeg = encodeJpeg(picture);
    if (!jpeg) {
        handler(nullptr, captureError(AVErrorUnknown, "The still image could not be captured."));
        return;
    }
    const int orientation = kvn::CaptureGeometry::exifOrientation(connection->videoOrientation(), connection->isVideoMirrored());
    CMVideoDimensions size{static_cast<int32_t>(picture->width()), static_cast<int32_t>(picture->height())};
    handler(std::make_shared<CMSampleBuffer>(withExifOrientation(std::move(*jpeg), orientation), size), nullptr);
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
