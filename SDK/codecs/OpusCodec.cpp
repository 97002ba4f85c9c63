#include "codecs/OpusCodec.h"

#include <algorithm>
#include <cmath>

#include "MediaStack/MediaStackLog.h"
#include "MediaStack/RTCPReportPacket.h"
#include "codecs/CodecConsole.h"

namespace {
// Steps of 0.1 drift in binary floating point: snap each stepped quality so that the floor,
// the ceiling and the complexity derived from it come out as meant.
double snapped(double v) { return std::round(v * 1e6) / 1e6; }
}

OpusCodec::OpusCodec() { setPacketTime(20); }

std::optional<std::vector<uint8_t>> OpusCodec::encodeWithFrame(const std::shared_ptr<AudioFrame>& frame)
{
    auto encoder = m_encoder.load();
    if (!encoder) {
        encoder = std::make_shared<CocoaOpusEncoder>();
        encoder->initWithClockRate_channels_packetTime(clockRate(), channels(), packetTime());
        encoder->setQuality(0.5);
        encoder->setBitrate(125);
        m_encoder.store(encoder);
    }
    if (!frame) {
        return std::nullopt;
    }
    auto buffer = std::make_shared<CocoaOpusBuffer>();
    buffer->data = frame->data;
    buffer->index = frame->index;
    buffer->length = frame->length;
    return encoder->encodeBuffer(buffer);
}

std::shared_ptr<AudioFrame> OpusCodec::decodeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame)
{
    if (!m_decoder.load()) {
        auto decoder = std::make_shared<CocoaOpusDecoder>();
        decoder->initWithClockRate_channels_packetTime(clockRate(), channels(), packetTime());
        m_decoder.store(decoder);
        if (auto stream = remoteStream()) {
            stream->setDisablePLC(true);
        }
    }

    if (m_lastSequenceNumber == -1) {
        m_lastSequenceNumber = m_currentSequenceNumber;
        return decodeNormalWithEncodedFrame(encodedFrame);
    }

    int32_t delta = m_currentSequenceNumber - m_lastSequenceNumber;
    if (delta <= -32769) {
        delta += 65536;
    } else if (delta > 32768) {
        delta -= 65536;
    }
    // A late or repeated packet leaves the newest sequence number in place; otherwise the
    // next packet in order would look like it came after a gap.
    if (delta > 0) {
        m_lastSequenceNumber = m_currentSequenceNumber;
    }

    std::vector<std::shared_ptr<AudioFrame>> framesBefore;
    if (delta >= 3) {
        const int32_t concealed = std::min(delta - 2, maxConcealmentFrames);
        MediaStackLog::info(CodecFormat("Adding %d frames of loss concealment to incoming audio stream. Packet sequence violated.", concealed));
        for (int32_t i = 0; i < concealed; ++i) {
            if (auto frame = decodePLC()) {
                framesBefore.push_back(std::move(frame));
            }
        }
    }
    if (delta >= 2) {
        auto recovered = decodeFECWithEncodedFrame(encodedFrame);
        if (!recovered) {
            recovered = decodePLC();
        }
        if (recovered) {
            framesBefore.push_back(std::move(recovered));
        }
    }
    auto frame = decodeNormalWithEncodedFrame(encodedFrame);
    if (frame) {
        frame->framesToPlayBefore = std::move(framesBefore);
    }
    return frame;
}

std::shared_ptr<AudioFrame> OpusCodec::decodePLC() { return decodeWithEncodedFrame_fec(nullptr, false); }

std::shared_ptr<AudioFrame> OpusCodec::decodeFECWithEncodedFrame(const std::vector<uint8_t>& encodedFrame)
{
    return decodeWithEncodedFrame_fec(&encodedFrame, true);
}

std::shared_ptr<AudioFrame> OpusCodec::decodeNormalWithEncodedFrame(const std::vector<uint8_t>& encodedFrame)
{
    return decodeWithEncodedFrame_fec(&encodedFrame, false);
}

std::shared_ptr<AudioFrame> OpusCodec::decodeWithEncodedFrame_fec(const std::vector<uint8_t>* encodedFrame, bool fec)
{
    auto decoder = m_decoder.load();
    if (!decoder) {
        return nullptr;
    }
    auto buffer = decoder->decodeFrame_fec(encodedFrame, fec);
    if (!buffer) {
        return nullptr;
    }
    auto frame = std::make_shared<AudioFrame>();
    frame->data = buffer->data;
    frame->index = buffer->index;
    frame->length = buffer->length;
    return frame;
}

std::vector<std::shared_ptr<RTPPacket>> OpusCodec::packetizeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame)
{
    return m_packetizer.packetize(encodedFrame, clockRate(), packetTime(), resetTimestamp());
}

std::optional<std::vector<uint8_t>> OpusCodec::depacketizeWithPacket(const std::shared_ptr<RTPPacket>& packet)
{
    if (packet) {
        m_currentSequenceNumber = packet->sequenceNumber;
    }
    return m_packetizer.depacketize(packet);
}

void OpusCodec::processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>& packets)
{
    auto encoder = m_encoder.load();
    if (!encoder) {
        return;
    }
    for (const auto& packet : packets) {
        const auto* report = dynamic_cast<const RTCPReportPacket*>(packet.get());
        if (!report) {
            continue;
        }
        m_reportsReceived++;
        for (const auto& block : report->reportBlocks) {
            adaptToReportBlock(*encoder, block);
        }
    }
}

void OpusCodec::adaptToReportBlock(CocoaOpusEncoder& encoder, const RTCPReportBlock& block)
{
    if (MediaStackLog::isEnabled(LogLevel::Debug)) {
        MediaStackLog::debug(CodecFormat("Opus report: %0.2f %% packet loss (%d cumulative packets lost)", block.fractionLost * 100, block.cumulativePacketsLost));
    }
    if (block.fractionLost > 0) {
        m_losslessCount = 0;
        const bool sixthInARow = m_lossyCount++ >= 5;
        const double quality = encoder.quality();
        if (sixthInARow && quality > 0) {
            m_lossyCount = 0;
            encoder.setQuality(std::max(0.0, snapped(quality - 0.1)));
            MediaStackLog::info(CodecFormat("Decreasing Opus encoder quality to %0.2f %%.", encoder.quality() * 100));
        }
    } else {
        m_lossyCount = 0;
        const bool sixthInARow = m_losslessCount++ >= 5;
        const double quality = encoder.quality();
        if (sixthInARow && quality < 1.0) {
            m_losslessCount = 0;
            encoder.setQuality(std::min(1.0, snapped(quality + 0.1)));
            MediaStackLog::info(CodecFormat("Increasing Opus encoder quality to %0.2f %%.", encoder.quality() * 100));
        }
    }

    const int32_t trigger = percentLossToTriggerFEC();
    if (!disableFEC() && !fecActive() && m_reportsReceived > m_minimumReportsBeforeFEC && block.fractionLost * 100 > trigger) {
        MediaStackLog::info("Activating FEC for Opus audio stream.");
        encoder.activateFECWithPacketLossPercent(trigger);
        m_fecActive.store(true);
    }
}

void OpusCodec::destroy()
{
    // Only the codec's own references go: a call still running on another of the stack's
    // threads holds one of its own, and the libopus state goes with it once that call is done.
    m_encoder.store(nullptr);
    m_decoder.store(nullptr);
}
