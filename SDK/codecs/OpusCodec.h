#pragma once
// The audio codec for the encoding name "opus" (48000 Hz, 2 channels, 20 ms frames): encodes
// captured PCM with libopus and decodes received packets, concealing lost ones itself (the
// stack's own concealment is switched off): from the RTP sequence gap before a packet it
// puts concealed frames and the frame recovered from the packet's FEC data ahead of the
// packet's own. It switches the encoder's FEC on once the far side reports enough loss and
// steps the encoder's complexity with the reported loss.
// The media stack calls it on its own threads: send (encode, packetize), receive
// (depacketize, decode — one packet's depacketize is followed by its decode) and RTCP. Each
// call works on its own reference to the encoder or decoder, so `destroy` may come while
// another thread is still encoding or decoding.
#include <atomic>
#include <cstdint>
#include <memory>

#include "MediaStack/AudioCodecBase.h"
#include "MediaStack/AudioPayloadPacketizer.h"
#include "MediaStack/RTCPReportBlock.h"
#include "codecs/CocoaOpusDecoder.h"
#include "codecs/CocoaOpusEncoder.h"
#include "codecs/SharedSlot.h"

class OpusCodec : public AudioCodecBase {
public:
    // A gap of any length is bridged by at most this many concealed frames (200 ms), plus the
    // frame recovered from FEC: more would only delay the stream behind the sender.
    static constexpr int32_t maxConcealmentFrames = 10;

    OpusCodec();

    std::optional<std::vector<uint8_t>> encodeWithFrame(const std::shared_ptr<AudioFrame>& frame) override;
    // Decoded frames refer to the decoder's normal or FEC output buffer: their contents stay
    // put until the next decode into that buffer. Concealed frames own their bytes.
    std::shared_ptr<AudioFrame> decodeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) override;
    std::vector<std::shared_ptr<RTPPacket>> packetizeWithEncodedFrame(const std::vector<uint8_t>& encodedFrame) override;
    std::optional<std::vector<uint8_t>> depacketizeWithPacket(const std::shared_ptr<RTPPacket>& packet) override;
    void processRTCPWithPackets(const std::vector<std::shared_ptr<RTCPPacket>>& packets) override;
    void destroy() override;

    std::shared_ptr<AudioFrame> decodePLC();
    std::shared_ptr<AudioFrame> decodeFECWithEncodedFrame(const std::vector<uint8_t>& encodedFrame);
    std::shared_ptr<AudioFrame> decodeNormalWithEncodedFrame(const std::vector<uint8_t>& encodedFrame);
    // `encodedFrame` null: concealment.
    std::shared_ptr<AudioFrame> decodeWithEncodedFrame_fec(const std::vector<uint8_t>* encodedFrame, bool fec);

    int32_t percentLossToTriggerFEC() const { return m_percentLossToTriggerFEC.load(); }
    void setPercentLossToTriggerFEC(int32_t v) { m_percentLossToTriggerFEC.store(v); }
    bool disableFEC() const { return m_disableFEC.load(); }
    void setDisableFEC(bool v) { m_disableFEC.store(v); }
    bool fecActive() const { return m_fecActive.load(); }

    // None until the first frame to encode / decode, and after destroy.
    std::shared_ptr<CocoaOpusEncoder> encoder() const { return m_encoder.load(); }
    std::shared_ptr<CocoaOpusDecoder> decoder() const { return m_decoder.load(); }

private:
    void adaptToReportBlock(CocoaOpusEncoder& encoder, const RTCPReportBlock& block);

    kvn::codecs::SharedSlot<CocoaOpusEncoder> m_encoder;
    kvn::codecs::SharedSlot<CocoaOpusDecoder> m_decoder;
    AudioPayloadPacketizer m_packetizer;
    std::atomic<int32_t> m_percentLossToTriggerFEC { 5 };
    std::atomic<bool> m_disableFEC { false };
    std::atomic<bool> m_fecActive { false };
    int32_t m_currentSequenceNumber = -1;
    int32_t m_lastSequenceNumber = -1;
    int32_t m_lossyCount = 0;
    int32_t m_losslessCount = 0;
    const int32_t m_minimumReportsBeforeFEC = 2;
    int64_t m_reportsReceived = 0;
};
