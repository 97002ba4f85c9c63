#include "codecs/CocoaVp8Decoder.h"

#include <optional>

#include <vpx/vp8dx.h>
#include <vpx/vpx_decoder.h>
#include <vpx/vpx_encoder.h> // VPX_DL_REALTIME, the deadline both directions use

#include "codecs/CodecConsole.h"
#include "codecs/InitializeException.h"
#include "codecs/VpxCodecContext.h"

namespace {

// The picture size a key frame declares in its uncompressed header (RFC 6386, 9.1): a 3-byte
// frame tag whose low bit is clear on key frames, the start code 9d 01 2a, then width and
// height as 14 bits each (the top two bits are a scaling hint). None for a delta frame or a
// header too short or malformed to declare one, which libvpx refuses on its own.
struct DeclaredSize {
    int64_t width = 0;
    int64_t height = 0;
};

std::optional<DeclaredSize> declaredKeyFrameSize(const std::vector<uint8_t>& frame)
{
    constexpr size_t headerLength = 10;
    if (frame.size() < headerLength || (frame[0] & 0x01) != 0 || frame[3] != 0x9d || frame[4] != 0x01 || frame[5] != 0x2a) {
        return std::nullopt;
    }
    return DeclaredSize { (frame[6] | frame[7] << 8) & 0x3FFF, (frame[8] | frame[9] << 8) & 0x3FFF };
}

}

struct CocoaVp8Decoder::Codec : VpxCodecContext { };

CocoaVp8Decoder::CocoaVp8Decoder() = default;

CocoaVp8Decoder::~CocoaVp8Decoder() { destroy(); }

void CocoaVp8Decoder::destroy() { m_codec.reset(); }

bool CocoaVp8Decoder::decodeFrame_toBuffer(const std::vector<uint8_t>* frame, const std::shared_ptr<CocoaVp8Buffer>& buffer)
{
    const bool debug = debugMode();
    // An empty frame would ask libvpx to flush, which "succeeds" without a picture.
    if (!frame || frame->empty() || !buffer) {
        if (debug) {
            CodecConsoleLog("Argument 'frame' or 'buffer' missing.");
        }
        return false;
    }
    if (const auto size = declaredKeyFrameSize(*frame); size && size->width * size->height > maxPicturePixels) {
        setNeedsKeyFrame(true);
        if (debug) {
            CodecConsoleLog("Key frame of %lld x %lld refused.", static_cast<long long>(size->width), static_cast<long long>(size->height));
        }
        return false;
    }
    if (!m_codec) {
        if (debug) {
            CodecConsoleLog("Configuring decoder.");
        }
        auto codec = std::make_unique<Codec>();
        const vpx_codec_err_t status = vpx_codec_dec_init(&codec->context, vpx_codec_vp8_dx(), nullptr, 0);
        if (status != VPX_CODEC_OK) {
            CodecConsoleLog("Could not initialize decoder. %s", vpx_codec_err_to_string(status));
            throw InitializeException("Could not initialize decoder.");
        }
        codec->initialized = true;
        m_codec = std::move(codec);
    }
    if (debug) {
        CodecConsoleLog("Ready for decoding. (%zu bytes)", frame->size());
    }

    const vpx_codec_err_t status = vpx_codec_decode(&m_codec->context, frame->data(), static_cast<unsigned int>(frame->size()), nullptr, VPX_DL_REALTIME);
    if (status != VPX_CODEC_OK) {
        // A damaged frame, and a delta frame before any key frame (libvpx calls that an
        // unsupported bitstream): either way only a key frame lets decoding go on.
        if (status == VPX_CODEC_CORRUPT_FRAME || status == VPX_CODEC_UNSUP_BITSTREAM) {
            setNeedsKeyFrame(true);
        }
        if (debug) {
            CodecConsoleLog("Could not decode frame. %s", vpx_codec_err_to_string(status));
        }
        return false;
    }
    setNeedsKeyFrame(false);

    vpx_codec_iter_t iter = nullptr;
    const vpx_image_t* image = vpx_codec_get_frame(&m_codec->context, &iter);
    if (!image) {
        if (debug) {
            CodecConsoleLog("Could not decode frame.");
        }
        return false;
    }
    const auto width = static_cast<int32_t>(image->d_w);
    const auto height = static_cast<int32_t>(image->d_h);
    const size_t chromaRows = image->d_h / 2 + image->d_h % 2;
    buffer->width = width;
    buffer->height = height;
    buffer->strideY = image->stride[VPX_PLANE_Y];
    buffer->strideU = image->stride[VPX_PLANE_U];
    buffer->strideV = image->stride[VPX_PLANE_V];
    buffer->planeY = { image->planes[VPX_PLANE_Y], static_cast<size_t>(buffer->strideY) * image->d_h };
    buffer->planeU = { image->planes[VPX_PLANE_U], static_cast<size_t>(buffer->strideU) * chromaRows };
    buffer->planeV = { image->planes[VPX_PLANE_V], static_cast<size_t>(buffer->strideV) * chromaRows };
    if (debug) {
        CodecConsoleLog("Decoded frame. (%d x %d, YS %d, US %d, VS %d)", width, height, buffer->strideY, buffer->strideU, buffer->strideV);
    }
    return true;
}
