#include "codecs/CocoaOpusEncoder.h"

#include <algorithm>
#include <cstring>

#include <opus/opus.h>

#include "codecs/CodecConsole.h"
#include "codecs/InitializeException.h"

void CocoaOpusEncoder::EncoderDeleter::operator()(OpusEncoder* encoder) const { opus_encoder_destroy(encoder); }

CocoaOpusEncoder::~CocoaOpusEncoder() { destroy(); }

void CocoaOpusEncoder::initWithClockRate_channels_packetTime(int32_t clockRate, int32_t channels, int32_t packetTime)
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        destroyLocked();
        m_frameSize = static_cast<int32_t>(static_cast<int64_t>(packetTime) * clockRate / 1000);
        m_channels = channels;
        m_output.assign(maxEncodedLength, 0);
        int error = OPUS_OK;
        m_encoder.reset(opus_encoder_create(clockRate, channels, OPUS_APPLICATION_VOIP, &error));
        if (error != OPUS_OK || !m_encoder) {
            m_encoder.reset();
            CodecConsoleLog("Could not initialize encoder. %s", opus_strerror(error));
            throw InitializeException("Could not initialize encoder.");
        }
        if (m_frameSize > 0 && m_channels > 0) {
            m_samples.assign(static_cast<size_t>(m_frameSize) * static_cast<size_t>(m_channels), 0);
        }
        opus_encoder_ctl(m_encoder.get(), OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
    }
    setQuality(1.0);
    setBitrate(125);
}

std::optional<std::vector<uint8_t>> CocoaOpusEncoder::encodeBuffer(const std::shared_ptr<CocoaOpusBuffer>& buffer)
{
    std::lock_guard<std::mutex> hold(m_lock);
    const size_t frameBytes = m_samples.size() * sizeof(opus_int16);
    // The frame must lie whole within both the buffer's stated length and its data.
    const bool holdsFrame = m_encoder && buffer && buffer->data && frameBytes > 0 && buffer->index >= 0 && buffer->length >= 0
        && static_cast<size_t>(buffer->length) >= frameBytes
        && static_cast<size_t>(buffer->index) + static_cast<size_t>(buffer->length) <= buffer->data->size();
    if (!holdsFrame) {
        if (m_debugMode) {
            CodecConsoleLog("Could not encode frame.");
        }
        return std::nullopt;
    }
    // Copied out so that libopus reads aligned samples whatever the byte index.
    std::memcpy(m_samples.data(), buffer->data->data() + buffer->index, frameBytes);
    const opus_int32 encoded = opus_encode(m_encoder.get(), m_samples.data(), m_frameSize, m_output.data(), maxEncodedLength);
    if (encoded < 1) {
        if (m_debugMode) {
            CodecConsoleLog("Could not encode frame.");
        }
        return std::nullopt;
    }
    return std::vector<uint8_t>(m_output.begin(), m_output.begin() + encoded);
}

void CocoaOpusEncoder::activateFECWithPacketLossPercent(int32_t percent)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_encoder) {
        opus_encoder_ctl(m_encoder.get(), OPUS_SET_INBAND_FEC(1));
        opus_encoder_ctl(m_encoder.get(), OPUS_SET_PACKET_LOSS_PERC(percent));
    }
}

void CocoaOpusEncoder::deactivateFEC()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_encoder) {
        opus_encoder_ctl(m_encoder.get(), OPUS_SET_INBAND_FEC(0));
        opus_encoder_ctl(m_encoder.get(), OPUS_SET_PACKET_LOSS_PERC(0));
    }
}

void CocoaOpusEncoder::destroy()
{
    std::lock_guard<std::mutex> hold(m_lock);
    destroyLocked();
}

void CocoaOpusEncoder::destroyLocked()
{
    m_encoder.reset();
    m_output.clear();
    m_output.shrink_to_fit();
}

int32_t CocoaOpusEncoder::bitrate() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_bitrate;
}

void CocoaOpusEncoder::setBitrate(int32_t v)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_bitrate = std::clamp(v, 1, 500);
    if (m_encoder) {
        opus_encoder_ctl(m_encoder.get(), OPUS_SET_BITRATE(m_bitrate * 1024));
    }
}

double CocoaOpusEncoder::quality() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_quality;
}

void CocoaOpusEncoder::setQuality(double v)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_quality = std::clamp(v, 0.0, 1.0);
    m_complexity = static_cast<int32_t>(m_quality * 10);
    if (m_encoder) {
        opus_encoder_ctl(m_encoder.get(), OPUS_SET_COMPLEXITY(m_complexity));
    }
}

int32_t CocoaOpusEncoder::complexity() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_complexity;
}

bool CocoaOpusEncoder::debugMode() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_debugMode;
}

void CocoaOpusEncoder::setDebugMode(bool v)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_debugMode = v;
}

std::optional<CocoaOpusEncoder::HeldSettings> CocoaOpusEncoder::heldSettings() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_encoder) {
        return std::nullopt;
    }
    OpusEncoder* encoder = m_encoder.get();
    opus_int32 application = 0, signal = 0, bitrate = 0, complexity = 0, inbandFEC = 0, packetLossPercent = 0;
    opus_encoder_ctl(encoder, OPUS_GET_APPLICATION(&application));
    opus_encoder_ctl(encoder, OPUS_GET_SIGNAL(&signal));
    opus_encoder_ctl(encoder, OPUS_GET_BITRATE(&bitrate));
    opus_encoder_ctl(encoder, OPUS_GET_COMPLEXITY(&complexity));
    opus_encoder_ctl(encoder, OPUS_GET_INBAND_FEC(&inbandFEC));
    opus_encoder_ctl(encoder, OPUS_GET_PACKET_LOSS_PERC(&packetLossPercent));
    return HeldSettings { application, signal, bitrate, complexity, inbandFEC != 0, packetLossPercent };
}
