#include "codecs/Vp8Codec.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "MediaStack/MediaStackLog.h"
#include "MediaStack/RTCPPliPacket.h"
#include "MediaStack/RTCPReportPacket.h"
#include "codecs/CodecConsole.h"

namespace {

// Steps of 0.1 drift in binary floating point (0.1 up and down again leaves 2.8e-17, not 0):
// snap each stepped value so that the floors, ceilings and "above 0" tests hold.
double snapped(double v) { return std::round(v * 1e6) / 1e6; }

std::span<const uint8_t> bytesOf(const VideoFramePlane& plane)
{
    if (!plane.data) {
        return {};
    }
    return { plane.data->data(), plane.data->size() };
}

}

VideoFramePlane Vp8Codec::planeCopyOf(std::span<const uint8_t> plane, int32_t stride)
{
    // A buffer no frame holds any more (only this pool does) takes the copy: no allocation and
    // no zeroing per frame. Frames still held elsewhere keep their pixels.
    for (auto& buffer : m_planeBuffers) {
        if (buffer.use_count() == 1) {
            // Whoever let the frame go last finished reading it before we write.
            std::atomic_thread_fence(std::memory_order_acquire);
            buffer->assign(plane.begin(), plane.end());
            return VideoFramePlane { buffer, stride };
        }
    }
    auto buffer = std::make_shared<std::vector<uint8_t>>(plane.begin(), plane.end());
    if (m_planeBuffers.size() < kPlaneBuffersKept) {
        m_planeBuffers.push_back(buffer);
    }
    return VideoFramePlane { std::move(buffer), stride };
}

std::optional<std::vector<uint8_t>> Vp8Codec::encodeWithFrame(const std::shared_ptr<VideoFrame>& frame)
{
    auto encoder = m_encoder.load();
    if (!encoder) {
        encoder = std::make_shared<CocoaVp8Encoder>();
        encoder->setQuality(0.5);
        encoder->setBitrate(256);
        encoder->setDebugMode(false);
        m_encoder.store(encoder);
    }
    if (!frame || frame->planes.size() < 3) {
        return std::nullopt;
    }
    auto buffer = std::make_shared<CocoaVp8Buffer>();
    buffer->planeY = bytesOf(frame->planes[0]);
    buffer->planeU = bytesOf(frame->planes[1]);
    buffer->planeV = bytesOf(frame->planes[2]);
    buffer->strideY = frame->planes[0].stride;
    buffer->strideU = frame->planes[1].stride;
    buffer->strideV = frame->planes[2].stride;
    buffer->width = frame->width;
    buffer->height = frame->height;

    std::vector<uint8_t> encoded;
    if (!encoder->encodeBuffer_toFrame(buffer, &encoded)) {
        return std::nullopt;
    }
    return encoded;
}

std::shared_ptr<VideoFrame> Vp8Codec::decodeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame)
{
    auto decoder = m_decoder.load();
    if (!decoder) {
        decoder = std::make_shared<CocoaVp8Decoder>();
        m_decoder.store(decoder);
    }
    if (m_packetizer.sequenceNumberingViolated()) {
        MediaStackLog::info("Video sequence number violated. Requesting key frame.");
        decoder->setNeedsKeyFrame(true);
        return nullptr;
    }
    auto buffer = std::make_shared<CocoaVp8Buffer>();
    if (!decoder->decodeFrame_toBuffer(&encodedFrame, buffer)) {
        return nullptr;
    }
    // The decoded size is the coded one, which need not be the size the sender captured.
    auto frame = std::make_shared<VideoFrame>();
    frame->width = buffer->width;
    frame->height = buffer->height;
    frame->format = VideoFormatI420;
    frame->planes = {
        planeCopyOf(buffer->planeY, buffer->strideY),
        planeCopyOf(buffer->planeU, buffer->strideU),
        planeCopyOf(buffer->planeV, buffer->strideV),
    };
    return frame;
}

bool Vp8Codec::decoderNeedsKeyFrame()
{
    auto decoder = m_decoder.load();
    return decoder && decoder->needsKeyFrame();
}

std::vector<std::shared_ptr<RTPPacket>> Vp8Codec::packetizeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame)
{
    return m_packetizer.packetize(encodedFrame, clockRate());
}

std::optional<std::vector<uint8_t>> Vp8Codec::depacketizeWithPacket(const std::shared_ptr<RTPPacket>& packet)
{
    return m_packetizer.depacketize(packet);
}

void Vp8Codec::processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>& packets)
{
    auto encoder = m_encoder.load();
    if (!encoder) {
        return;
    }
    for (const auto& packet : packets) {
        if (!packet) {
            continue;
        }
        if (MediaStackLog::isEnabled(LogLevel::Debug)) {
            MediaStackLog::debug(CodecFormat("Received packet %s of size %lu", packet->className().c_str(), static_cast<unsigned long>(packet->payloadLength())));
        }
        if (dynamic_cast<const RTCPPliPacket*>(packet.get())) {
            encoder->sendKeyframe();
            MediaStackLog::debug("Received PLI for video stream.");
        } else if (const auto* report = dynamic_cast<const RTCPReportPacket*>(packet.get())) {
            for (const auto& block : report->reportBlocks) {
                adaptToReportBlock(*encoder, block);
            }
        }
    }
}

void Vp8Codec::adaptToReportBlock(CocoaVp8Encoder& encoder, const RTCPReportBlock& block)
{
    if (MediaStackLog::isEnabled(LogLevel::Debug)) {
        MediaStackLog::debug(CodecFormat("VP8 report: %0.2f %% packet loss (%d cumulative packets lost)", block.fractionLost * 100, block.cumulativePacketsLost));
    }
    const double quality = encoder.quality();
    const int32_t bitrate = encoder.bitrate();
    const double dropRatio = encoder.percentFramesToDrop();

    if (block.cumulativePacketsLost == m_lastPacketLossCount) {
        m_lossyCount = 0;
        const bool sixthInARow = m_losslessCount++ >= 5;
        if (sixthInARow && (quality < 0.5 || bitrate < 256 || dropRatio > 0)) {
            m_losslessCount = 0;
            if (quality < 0.5) {
                encoder.setQuality(std::min(1.0, snapped(quality + 0.1)));
                MediaStackLog::info(CodecFormat("Increasing VP8 encoder quality to %0.2f%%.", encoder.quality() * 100));
            }
            if (bitrate <= 255) {
                encoder.setBitrate(std::min(256, bitrate + 64));
                MediaStackLog::info(CodecFormat("Increasing VP8 encoder bitrate to %d.", encoder.bitrate()));
            }
            if (dropRatio > 0) {
                encoder.setPercentFramesToDrop(std::max(0.0, snapped(dropRatio - 0.1)));
                MediaStackLog::info(CodecFormat("Decreasing droprate to %f.", encoder.percentFramesToDrop()));
            }
        }
        return;
    }

    m_lastPacketLossCount = block.cumulativePacketsLost;
    m_losslessCount = 0;
    const bool secondInARow = m_lossyCount++ >= 1;
    if (secondInARow && (quality > 0 || bitrate > 64 || dropRatio < 0.9)) {
        m_lossyCount = 0;
        if (quality > 0) {
            encoder.setQuality(std::max(0.0, snapped(quality - 0.1)));
            MediaStackLog::info(CodecFormat("Decreasing VP8 encoder quality to %0.2f%%.", encoder.quality() * 100));
        }
        if (bitrate >= 65) {
            encoder.setBitrate(std::max(64, bitrate - 64));
            MediaStackLog::info(CodecFormat("Decreasing VP8 encoder bitrate to %d.", encoder.bitrate()));
        }
        if (dropRatio < 0.9) {
            encoder.setPercentFramesToDrop(std::min(0.9, snapped(dropRatio + 0.1)));
            MediaStackLog::info(CodecFormat("Increasing droprate to %f.", encoder.percentFramesToDrop()));
        }
    }
}

void Vp8Codec::destroy()
{
    // Only the codec's own references go. An encode or decode still running on another of the
    // stack's threads holds one of its own, so its libvpx context (and the decoded picture it
    // is copying) stays until that call is done and then goes with it.
    m_encoder.store(nullptr);
    m_decoder.store(nullptr);
}
