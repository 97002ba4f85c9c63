#include "codecs/CocoaOpusEncoder.h"

#include <algorithm>
#include <cstring>

#include "codecs/CodecConsole.h"
#include "codecs/InitializeException.h"

CocoaOpusEncoder::~CocoaOpusEncoder() { destroy(); }

void CocoaOpusEncoder::initWithClockRate_channels_packetTime(int32_t clockRate, int32_t channels, int32_t packetTime)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        destroyLocked();
        frameSize_ = static_cast<int32_t>(static_cast<int64_t>(packetTime) * clockRate / 1000);
        channels_ = channels;
        output_.assign(maxEncodedLength, 0);
        int error = OPUS_OK;
        encoder_ = opus_encoder_create(clockRate, channels, OPUS_APPLICATION_VOIP, &error);
        if (error != OPUS_OK || !encoder_) {
            encoder_ = nullptr;
            CodecConsoleLog("Could not initialize encoder. %s", opus_strerror(error));
            throw InitializeException("Could not initialize encoder.");
        }
        if (frameSize_ > 0 && channels_ > 0) {
            samples_.assign(static_cast<size_t>(frameSize_) * static_cast<size_t>(channels_), 0);
        }
        opus_encoder_ctl(encoder_, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
    }
    setQuality(1.0);
    setBitrate(125);
}

std::optional<std::vector<uint8_t>> CocoaOpusEncoder::encodeBuffer(const std::shared_ptr<CocoaOpusBuffer>& buffer)
{
    std::lock_guard<std::mutex> hold(lock_);
    const size_t frameBytes = samples_.size() * sizeof(opus_int16);
    // The frame must lie whole within both the buffer's stated length and its data.
    const bool holdsFrame = encoder_ && buffer && buffer->data && frameBytes > 0 && buffer->index >= 0 && buffer->length >= 0
        && static_cast<size_t>(buffer->length) >= frameBytes
        && static_cast<size_t>(buffer->index) + static_cast<size_t>(buffer->length) <= buffer->data->size();
    if (!holdsFrame) {
        if (debugMode_) {
            CodecConsoleLog("Could not encode frame.");
        }
        return std::nullopt;
    }
    // Copied out so that libopus reads aligned samples whatever the byte index.
    std::memcpy(samples_.data(), buffer->data->data() + buffer->index, frameBytes);
    const opus_int32 encoded = opus_encode(encoder_, samples_.data(), frameSize_, output_.data(), maxEncodedLength);
    if (encoded < 1) {
        if (debugMode_) {
            CodecConsoleLog("Could not encode frame.");
        }
        return std::nullopt;
    }
    return std::vector<uint8_t>(output_.begin(), output_.begin() + encoded);
}

void CocoaOpusEncoder::activateFECWithPacketLossPercent(int32_t percent)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (encoder_) {
        opus_encoder_ctl(encoder_, OPUS_SET_INBAND_FEC(1));
        opus_encoder_ctl(encoder_, OPUS_SET_PACKET_LOSS_PERC(percent));
    }
}

void CocoaOpusEncoder::deactivateFEC()
{
    std::lock_guard<std::mutex> hold(lock_);
    if (encoder_) {
        opus_encoder_ctl(encoder_, OPUS_SET_INBAND_FEC(0));
        opus_encoder_ctl(encoder_, OPUS_SET_PACKET_LOSS_PERC(0));
    }
}

void CocoaOpusEncoder::destroy()
{
    std::lock_guard<std::mutex> hold(lock_);
    destroyLocked();
}

void CocoaOpusEncoder::destroyLocked()
{
    if (encoder_) {
        opus_encoder_destroy(encoder_);
        encoder_ = nullptr;
    }
    output_.clear();
    output_.shrink_to_fit();
}

int32_t CocoaOpusEncoder::bitrate() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return bitrate_;
}

void CocoaOpusEncoder::setBitrate(int32_t v)
{
    std::lock_guard<std::mutex> hold(lock_);
    bitrate_ = std::clamp(v, 1, 500);
    if (encoder_) {
        opus_encoder_ctl(encoder_, OPUS_SET_BITRATE(bitrate_ * 1024));
    }
}

double CocoaOpusEncoder::quality() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return quality_;
}

void CocoaOpusEncoder::setQuality(double v)
{
    std::lock_guard<std::mutex> hold(lock_);
    quality_ = std::clamp(v, 0.0, 1.0);
    complexity_ = static_cast<int32_t>(quality_ * 10);
    if (encoder_) {
        opus_encoder_ctl(encoder_, OPUS_SET_COMPLEXITY(complexity_));
    }
}

int32_t CocoaOpusEncoder::complexity() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return complexity_;
}

bool CocoaOpusEncoder::debugMode() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return debugMode_;
}

void CocoaOpusEncoder::setDebugMode(bool v)
{
    std::lock_guard<std::mutex> hold(lock_);
    debugMode_ = v;
}

bool CocoaOpusEncoder::inbandFEC() const
{
    std::lock_guard<std::mutex> hold(lock_);
    opus_int32 value = 0;
    if (encoder_) {
        opus_encoder_ctl(encoder_, OPUS_GET_INBAND_FEC(&value));
    }
    return value != 0;
}

int32_t CocoaOpusEncoder::packetLossPercent() const
{
    std::lock_guard<std::mutex> hold(lock_);
    opus_int32 value = 0;
    if (encoder_) {
        opus_encoder_ctl(encoder_, OPUS_GET_PACKET_LOSS_PERC(&value));
    }
    return value;
}
