#pragma once
// An audio codec for tests of the stack around codecs: its "encoding" is the frame's number
// (SyntheticAudioSource); its decoding gives a 20 ms stereo frame holding that number. With
// `concealsItself` it does what the real bridge does: switches the stack's concealment off at
// its first decode and puts frames of its own (marked `concealMark`) ahead of a packet for
// the sequence numbers missing before it. It records what the stack gave it.
// Called on the media thread; the test reads the records after syncing with it.
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "MediaStack/AudioCodecBase.h"
#include "MediaStack/AudioPayloadPacketizer.h"
#include "MediaStack/RTCPReportPacket.h"
#include "SyntheticAudioSource.h"

namespace media::test {

class FakeAudioCodec final : public AudioCodecBase {
public:
    static constexpr uint8_t concealMark = 0xC0;

    explicit FakeAudioCodec(bool concealsItself = false) : m_concealsItself(concealsItself) {}

    std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<AudioFrame>& frame) override
    {
        const uint32_t number = SyntheticAudioSource::numberOf(*frame);
        return std::vector<uint8_t>{0xA0, static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                                    static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    }

    std::shared_ptr<AudioFrame> decodeWithEncodedFrame(const std::vector<uint8_t>& encoded) override
    {
        if (encoded.size() != 5 || encoded[0] != 0xA0)
            return nullptr;
        auto frame = frameOf(encoded[1] | (encoded[2] << 8) | (encoded[3] << 16) | (static_cast<uint32_t>(encoded[4]) << 24), 0);
        if (m_concealsItself) {
            if (auto stream = remoteStream())
                stream->setDisablePLC(true);
            if (m_lastSequence) {
                const auto gap = static_cast<uint16_t>(m_currentSequence - *m_lastSequence);
                for (int i = 1; i < gap && gap < 0x8000; ++i)
                    frame->framesToPlayBefore.push_back(frameOf(0, concealMark));
            }
            m_lastSequence = m_currentSequence;
        }
        return frame;
    }

    std::vector<std::shared_ptr<RTPPacket>> packetizeWithEncodedFrame(const std::vector<uint8_t>& encoded) override
    {
        return m_packetizer.packetize(encoded, clockRate(), packetTime(), resetTimestamp());
    }
    std::optional<std::vector<uint8_t>> depacketizeWithPacket(const std::shared_ptr<RTPPacket>& packet) override
    {
        m_currentSequence = packet->sequenceNumber;
        return m_packetizer.depacketize(packet);
    }

    void processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>& packets) override
    {
        std::lock_guard hold(m_lock);
        for (const auto& packet : packets)
            if (const auto* report = dynamic_cast<const RTCPReportPacket*>(packet.get()))
                m_blocks.insert(m_blocks.end(), report->reportBlocks.begin(), report->reportBlocks.end());
    }

    void destroy() override { destroyed = true; }

    std::vector<RTCPReportBlock> reportBlocks() const
    {
        std::lock_guard hold(m_lock);
        return m_blocks;
    }

    std::atomic<bool> destroyed{false};

private:
    // A frame in the decoder's own buffer, reused by the next decode, as the real bridge does.
    std::shared_ptr<AudioFrame> frameOf(uint32_t number, uint8_t fill)
    {
        auto buffer = fill ? std::make_shared<std::vector<uint8_t>>(3840, fill) : m_output;
        std::fill(buffer->begin(), buffer->end(), fill);
        if (!fill)
            for (int i = 0; i < 4; ++i)
                (*buffer)[i] = static_cast<uint8_t>(number >> (8 * i));
        auto frame = std::make_shared<AudioFrame>();
        frame->data = buffer;
        frame->length = static_cast<int>(buffer->size());
        return frame;
    }

    const bool m_concealsItself;
    AudioPayloadPacketizer m_packetizer;
    std::shared_ptr<std::vector<uint8_t>> m_output = std::make_shared<std::vector<uint8_t>>(3840);
    uint16_t m_currentSequence = 0;
    std::optional<uint16_t> m_lastSequence;
    mutable std::mutex m_lock;
    std::vector<RTCPReportBlock> m_blocks;
};

} // namespace media::test
