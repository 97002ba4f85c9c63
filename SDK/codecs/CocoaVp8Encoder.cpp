#include "codecs/CocoaVp8Encoder.h"

#include <algorithm>

#include <vpx/vp8cx.h>
#include <vpx/vpx_encoder.h>

#include "codecs/CodecConsole.h"
#include "codecs/InitializeException.h"
#include "codecs/VpxCodecContext.h"

namespace {

// Whether `plane` holds `rows` rows of `rowBytes` bytes each, `stride` bytes apart.
bool planeHolds(std::span<const uint8_t> plane, int32_t stride, int32_t rowBytes, int32_t rows)
{
    if (plane.data() == nullptr || stride < rowBytes) {
        return false;
    }
    return plane.size() >= static_cast<size_t>(stride) * static_cast<size_t>(rows - 1) + static_cast<size_t>(rowBytes);
}

bool pictureFits(const CocoaVp8Buffer& buffer)
{
    if (buffer.width <= 0 || buffer.height <= 0) {
        return false;
    }
    const int32_t chromaWidth = buffer.width / 2 + buffer.width % 2;
    const int32_t chromaHeight = buffer.height / 2 + buffer.height % 2;
    return planeHolds(buffer.planeY, buffer.strideY, buffer.width, buffer.height)
        && planeHolds(buffer.planeU, buffer.strideU, chromaWidth, chromaHeight)
        && planeHolds(buffer.planeV, buffer.strideV, chromaWidth, chromaHeight);
}

}

// One allocation that never moves: libvpx keeps a pointer to the configuration, which
// therefore comes first and goes last.
struct CocoaVp8Encoder::Codec {
    vpx_codec_enc_cfg_t config {};
    vpx_image_t image {};
    // The controls libvpx accepted, as the settings report them.
    std::optional<int> staticThreshold;
    std::optional<int> cpuUsed;
    std::optional<int> tokenPartitions;
    std::optional<int> noiseSensitivity;
    std::optional<int> maxIntraBitratePercent;
    VpxCodecContext vpx;
};

CocoaVp8Encoder::CocoaVp8Encoder() = default;

CocoaVp8Encoder::~CocoaVp8Encoder() { destroy(); }

void CocoaVp8Encoder::setQuality(double v)
{
    const double clamped = std::clamp(v, 0.0, 1.0);
    m_quality.store(clamped);
    m_maxQuantizer.store(static_cast<int32_t>((1.0 - clamped) * 32) + 31);
}

void CocoaVp8Encoder::setPercentFramesToDrop(double v) { m_percentFramesToDrop.store(std::clamp(v, 0.0, 0.9)); }

void CocoaVp8Encoder::sendKeyframe() { m_sendKeyFrame.store(true); }

void CocoaVp8Encoder::destroy() { m_codec.reset(); }

std::optional<CocoaVp8Encoder::Settings> CocoaVp8Encoder::settings() const
{
    if (!m_codec) {
        return std::nullopt;
    }
    const vpx_codec_enc_cfg_t& config = m_codec->config;
    Settings settings;
    settings.timeBaseNumerator = config.g_timebase.num;
    settings.timeBaseDenominator = config.g_timebase.den;
    settings.targetBitrate = config.rc_target_bitrate;
    settings.endUsage = config.rc_end_usage;
    settings.width = config.g_w;
    settings.height = config.g_h;
    settings.keyFrameMode = config.kf_mode;
    settings.keyFrameMinDistance = config.kf_min_dist;
    settings.keyFrameMaxDistance = config.kf_max_dist;
    settings.lagInFrames = config.g_lag_in_frames;
    settings.errorResilient = config.g_error_resilient;
    settings.pass = config.g_pass;
    settings.minQuantizer = config.rc_min_quantizer;
    settings.maxQuantizer = config.rc_max_quantizer;
    settings.profile = config.g_profile;
    settings.resizeAllowed = config.rc_resize_allowed;
    settings.resizeUpThreshold = config.rc_resize_up_thresh;
    settings.resizeDownThreshold = config.rc_resize_down_thresh;
    settings.staticThreshold = m_codec->staticThreshold;
    settings.cpuUsed = m_codec->cpuUsed;
    settings.tokenPartitions = m_codec->tokenPartitions;
    settings.noiseSensitivity = m_codec->noiseSensitivity;
    settings.maxIntraBitratePercent = m_codec->maxIntraBitratePercent;
    return settings;
}

void CocoaVp8Encoder::setUpCodecFor(const CocoaVp8Buffer& buffer)
{
    if (debugMode()) {
        CodecConsoleLog("Configuring encoder to use new dimensions. (%d %d)", buffer.width, buffer.height);
    }
    auto codec = std::make_unique<Codec>();
    vpx_codec_enc_cfg_t* config = &codec->config;
    vpx_codec_err_t status = vpx_codec_enc_config_default(vpx_codec_vp8_cx(), config, 0);
    if (status != VPX_CODEC_OK) {
        CodecConsoleLog("Could not set encoder config defaults. %s", vpx_codec_err_to_string(status));
        throw InitializeException("Could not set encoder config defaults.");
    }
    config->g_timebase.num = 1;
    config->g_timebase.den = m_maxFrameRate;
    config->rc_target_bitrate = static_cast<unsigned int>(bitrate());
    config->rc_end_usage = VPX_CBR;
    config->g_w = static_cast<unsigned int>(buffer.width);
    config->g_h = static_cast<unsigned int>(buffer.height);
    config->kf_mode = VPX_KF_AUTO;
    config->kf_min_dist = config->kf_max_dist = 10 * static_cast<unsigned int>(config->g_timebase.den);
    config->g_lag_in_frames = 0;
    config->g_error_resilient = VPX_ERROR_RESILIENT_DEFAULT;
    config->g_pass = VPX_RC_ONE_PASS;
    config->rc_min_quantizer = 0;
    config->rc_max_quantizer = static_cast<unsigned int>(maxQuantizer());
    config->g_profile = 0;
    // With resizing allowed libvpx may code a smaller picture than it was given: the decoder
    // on the other side then sees that smaller size.
    config->rc_resize_allowed = 1;
    config->rc_resize_up_thresh = 100;
    config->rc_resize_down_thresh = 100;

    vpx_codec_ctx_t* context = &codec->vpx.context;
    status = vpx_codec_enc_init(context, vpx_codec_vp8_cx(), config, 0);
    if (status != VPX_CODEC_OK) {
        CodecConsoleLog("Could not initialize encoder. %s", vpx_codec_err_to_string(status));
        throw InitializeException("Could not initialize encoder.");
    }
    codec->vpx.initialized = true;

    // A control libvpx refuses leaves its default in place; the encoder works on regardless.
    auto accepted = [](vpx_codec_err_t status, int value) { return status == VPX_CODEC_OK ? std::optional<int>(value) : std::nullopt; };
    codec->staticThreshold = accepted(vpx_codec_control(context, VP8E_SET_STATIC_THRESHOLD, 1u), 1);
    codec->cpuUsed = accepted(vpx_codec_control(context, VP8E_SET_CPUUSED, -12), -12);
    codec->tokenPartitions = accepted(vpx_codec_control(context, VP8E_SET_TOKEN_PARTITIONS, static_cast<int>(VP8_ONE_TOKENPARTITION)),
        static_cast<int>(VP8_ONE_TOKENPARTITION));
    codec->noiseSensitivity = accepted(vpx_codec_control(context, VP8E_SET_NOISE_SENSITIVITY, 4u), 4);
    // Caps a key frame at a few frames' worth of bits, so that it does not stall the stream.
    const float intraPercent = static_cast<float>(config->rc_buf_optimal_sz) * 0.5f * static_cast<float>(m_maxFrameRate) / 10.0f;
    const unsigned int maxIntraBitratePercent = std::min(300u, static_cast<unsigned int>(intraPercent));
    codec->maxIntraBitratePercent = accepted(vpx_codec_control(context, VP8E_SET_MAX_INTRA_BITRATE_PCT, maxIntraBitratePercent),
        static_cast<int>(maxIntraBitratePercent));

    // The plane pointers are set per frame; the wrap only lays out the descriptor.
    if (!vpx_img_wrap(&codec->image, VPX_IMG_FMT_I420, config->g_w, config->g_h, 1, const_cast<uint8_t*>(buffer.planeY.data()))) {
        CodecConsoleLog("Could not initialize encoder. %s", "image layout");
        throw InitializeException("Could not initialize encoder.");
    }
    m_codec = std::move(codec);
}

bool CocoaVp8Encoder::encodeBuffer_toFrame(const std::shared_ptr<CocoaVp8Buffer>& buffer, std::vector<uint8_t>* frame)
{
    const bool debug = debugMode();
    if (!buffer || !frame) {
        if (debug) {
            CodecConsoleLog("Argument 'buffer' or 'frame' missing.");
        }
        return false;
    }
    if (!pictureFits(*buffer)) {
        if (debug) {
            CodecConsoleLog("Buffer planes do not hold a %d x %d picture.", buffer->width, buffer->height);
        }
        return false;
    }

    const double dropRatio = percentFramesToDrop();
    if (dropRatio > 0 && m_frameCounter > (1 - dropRatio) * 10) {
        m_frameCounter = 0;
        return false;
    }
    m_frameCounter++;

    if (m_codec && (static_cast<unsigned int>(buffer->width) != m_codec->config.g_w || static_cast<unsigned int>(buffer->height) != m_codec->config.g_h)) {
        destroy();
    }
    if (!m_codec) {
        setUpCodecFor(*buffer);
    }

    const auto bitrateNow = static_cast<unsigned int>(bitrate());
    const auto maxQuantizerNow = static_cast<unsigned int>(maxQuantizer());
    if (bitrateNow != m_codec->config.rc_target_bitrate || maxQuantizerNow != m_codec->config.rc_max_quantizer) {
        m_codec->config.rc_target_bitrate = bitrateNow;
        m_codec->config.rc_max_quantizer = maxQuantizerNow;
        const vpx_codec_err_t status = vpx_codec_enc_config_set(&m_codec->vpx.context, &m_codec->config);
        if (status != VPX_CODEC_OK) {
            CodecConsoleLog("Could not reconfigure encoder. %s", vpx_codec_err_to_string(status));
            return false;
        }
    }

    vpx_enc_frame_flags_t flags = 0;
    if (m_sendKeyFrame.exchange(false)) {
        flags |= VPX_EFLAG_FORCE_KF;
        if (debug) {
            CodecConsoleLog("Forcing keyframe.");
        }
    }

    m_codec->image.planes[VPX_PLANE_Y] = const_cast<uint8_t*>(buffer->planeY.data());
    m_codec->image.planes[VPX_PLANE_U] = const_cast<uint8_t*>(buffer->planeU.data());
    m_codec->image.planes[VPX_PLANE_V] = const_cast<uint8_t*>(buffer->planeV.data());
    m_codec->image.stride[VPX_PLANE_Y] = buffer->strideY;
    m_codec->image.stride[VPX_PLANE_U] = buffer->strideU;
    m_codec->image.stride[VPX_PLANE_V] = buffer->strideV;
    if (debug) {
        CodecConsoleLog("Ready for encoding. (%d x %d, YS %d, US %d, VS %d)", buffer->width, buffer->height, buffer->strideY, buffer->strideU, buffer->strideV);
    }

    const vpx_codec_err_t status = vpx_codec_encode(&m_codec->vpx.context, &m_codec->image, m_frameCount, 90000 / m_maxFrameRate, flags, VPX_DL_REALTIME);
    if (status != VPX_CODEC_OK) {
        if (debug) {
            CodecConsoleLog("Could not encode frame. %s", vpx_codec_err_to_string(status));
        }
        return false;
    }
    m_frameCount++;

    vpx_codec_iter_t iter = nullptr;
    while (const vpx_codec_cx_pkt_t* packet = vpx_codec_get_cx_data(&m_codec->vpx.context, &iter)) {
        if (packet->kind == VPX_CODEC_CX_FRAME_PKT) {
            const auto* bytes = static_cast<const uint8_t*>(packet->data.frame.buf);
            frame->insert(frame->end(), bytes, bytes + packet->data.frame.sz);
            return true;
        }
    }
    if (debug) {
        CodecConsoleLog("Could not encode frame.");
    }
    return false;
}
