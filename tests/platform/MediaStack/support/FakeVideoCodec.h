#pragma once
// A video codec for tests of the stack around codecs: its "encoding" is the picture's number
// (SyntheticVideoSource) behind a VP8 payload header byte (key frame or not), padded to
// `frameBytes` so that a frame spans a few packets; it packetizes with the stack's VP8
// packetizer and, like the real bridge, refuses to decode while the depacketizer reports
// lost data or before its first key frame, until a key frame comes. A PLI makes its next frame a key frame. It records
// what the stack gave it, for the test to read.
// Called on the media thread; the test reads the records after syncing with it.
#include <atomic>
#include <mutex>
#include <vector>

#include "MediaStack/RTCPPliPacket.h"
#include "MediaStack/RTCPReportPacket.h"
#include "MediaStack/VideoCodecBase.h"
#include "MediaStack/Vp8PayloadPacketizer.h"
#include "SyntheticVideoSource.h"

namespace media::test {

class FakeVideoCodec final : public VideoCodecBase {
public:
    static constexpr size_t frameBytes = 3000; // three packets
    static constexpr uint8_t corruptMark = 0xBA;

    std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<VideoFrame>& frame) override
    {
        const bool key = m_framesEncoded++ == 0 || m_keyFrameRequested.exchange(false);
        if (key)
            ++keyFramesEncoded;
        std::vector<uint8_t> out(frameBytes, 0x55);
        out[0] = key ? 0x00 : 0x01;
        const uint32_t number = SyntheticVideoSource::numberOf(*frame);
        for (int i = 0; i < 4; ++i)
            out[1 + i] = static_cast<uint8_t>(number >> (8 * i));
        if (corruptNext.exchange(false))
            out[5] = corruptMark;
        return out;
    }

    std::shared_ptr<VideoFrame> decodeWithEncodedFrame(const std::vector<uint8_t>& encoded) override
    {
        const bool key = !encoded.empty() && (encoded[0] & 0x01) == 0;
        // Like a real decoder, nothing decodes before a key frame or after lost data.
        if (m_packetizer.sequenceNumberingViolated() || encoded.size() < 6 || encoded[5] == corruptMark || (!key && !m_hadKeyFrame)) {
            m_needsKeyFrame = true;
            return nullptr;
        }
        m_hadKeyFrame = true;
        m_needsKeyFrame = false;
        const uint32_t number = encoded[1] | (encoded[2] << 8) | (encoded[3] << 16) | (static_cast<uint32_t>(encoded[4]) << 24);
        std::lock_guard hold(m_lock);
        m_decoded.push_back(number);
        return SyntheticVideoSource::makeFrame(2, 2, number);
    }

    bool decoderNeedsKeyFrame() override { return m_needsKeyFrame; }

    std::vector<std::shared_ptr<RTPPacket>> packetizeWithEncodedFrame(const std::vector<uint8_t>& encoded) override
    {
        return m_packetizer.packetize(encoded, clockRate());
    }
    std::optional<std::vector<uint8_t>> depacketizeWithPacket(const std::shared_ptr<RTPPacket>& packet) override
    {
        return m_packetizer.depacketize(packet);
    }

    void processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>& packets) override
    {
        std::lock_guard hold(m_lock);
        for (const auto& packet : packets) {
            if (dynamic_cast<const RTCPPliPacket*>(packet.get())) {
                ++plisSeen;
                m_keyFrameRequested = true;
            } else if (const auto* report = dynamic_cast<const RTCPReportPacket*>(packet.get())) {
                m_blocks.insert(m_blocks.end(), report->reportBlocks.begin(), report->reportBlocks.end());
            }
        }
    }

    void destroy() override { destroyed = true; }

    std::vector<uint32_t> decoded() const
    {
        std::lock_guard hold(m_lock);
        return m_decoded;
    }
    std::vector<RTCPReportBlock> reportBlocks() const
    {
        std::lock_guard hold(m_lock);
        return m_blocks;
    }

    std::atomic<int> keyFramesEncoded{0};
    std::atomic<int> plisSeen{0};
    std::atomic<bool> corruptNext{false};
    std::atomic<bool> destroyed{false};

private:
    Vp8PayloadPacketizer m_packetizer;
    int m_framesEncoded = 0;
    std::atomic<bool> m_keyFrameRequested{false};
    bool m_needsKeyFrame = false;
    bool m_hadKeyFrame = false;
    mutable std::mutex m_lock;
    std::vector<uint32_t> m_decoded;
    std::vector<RTCPReportBlock> m_blocks;
};

} // namespace media::test
