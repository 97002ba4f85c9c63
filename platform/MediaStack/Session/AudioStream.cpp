#include "MediaStack/Session/AudioStream.h"

#include <algorithm>

#include "MediaStack/Session/CodecCall.h"
#include "MediaStack/Session/ReportBlocksAbout.h"
#include "MediaStack/Session/StreamDirection.h"

namespace media {

using mediastack::rtp::MediaTime;

namespace {

int clockRateOf(const AudioCodecBase& codec) { return codec.clockRate() > 0 ? codec.clockRate() : 48000; }

mediastack::rtp::AudioJitterBuffer::Config jitterConfig(int clockRate)
{
    mediastack::rtp::AudioJitterBuffer::Config config;
    config.clockRate = clockRate;
    return config;
}

} // namespace

AudioStream::AudioStream(StreamHost& host, std::shared_ptr<AudioCodecBase> codec, const mediastack::sdp::NegotiatedSession::Media& media,
                         const MediaSessionOptions& options, MediaTime now, uint64_t ntpNow)
    : m_host(host), m_codec(std::move(codec)), m_remoteStream(std::make_shared<RemoteStream>()), m_sends(sendsIn(media.direction)),
      m_receives(receivesIn(media.direction)), m_useJitterBuffer(!options.disableJitterBuffer),
      m_samplesPerFrame(clockRateOf(*m_codec) * std::max(m_codec->packetTime(), 1) / 1000),
      m_frameBytes(static_cast<size_t>(m_samplesPerFrame) * static_cast<size_t>(std::max(m_codec->channels(), 1)) * 2),
      m_stamper(options.localAudioSsrc, media.codec.payloadType, clockRateOf(*m_codec)),
      m_reporter({.localSsrc = options.localAudioSsrc,
                  .localClockRate = clockRateOf(*m_codec),
                  .cname = options.cname,
                  .seed = options.localAudioSsrc | 1},
                 now, ntpNow),
      m_source(media.remoteSsrc, media.codec.payloadType), m_jitterBuffer(jitterConfig(clockRateOf(*m_codec)))
{
    m_remoteStream->setDisablePLC(options.disablePLC);
    m_codec->setRemoteStream(m_remoteStream);
}

bool AudioStream::claims(const RTPPacket& packet, MediaTime now)
{
    if (!m_receives)
        return false;
    const auto match = m_source.match(packet, now);
    if (match == RemoteSourceLatch::Match::Replaced)
        m_jitterBuffer.reset();
    return match != RemoteSourceLatch::Match::No;
}

void AudioStream::sendFrame(const std::shared_ptr<AudioFrame>& frame, double capturedAt, MediaTime now)
{
    if (!m_sends || !frame)
        return;
    // Every captured frame moves the timestamp on, sent or not, so that the far side sees
    // a frame the encoder skipped as a gap of the right length.
    uint32_t timestamp;
    if (m_codec->resetTimestamp() || !m_nextTimestamp) {
        timestamp = m_stamper.timestampAt(capturedAt);
    } else {
        timestamp = *m_nextTimestamp;
    }
    m_nextTimestamp = timestamp + static_cast<uint32_t>(m_samplesPerFrame);

    auto encoded = callCodec("encode", [&] { return m_codec->encodeWithFrame(frame); });
    if (!encoded || encoded->empty() || !m_host.running())
        return;
    auto packets = callCodec("packetize", [&] { return m_codec->packetizeWithEncodedFrame(*encoded); });
    m_stamper.stamp(packets, timestamp);
    for (const auto& packet : packets) {
        if (!m_host.sendRtp(*packet))
            continue;
        m_host.counters().audioPacketsSent++;
        m_reporter.packetSent(*packet, now);
    }
}

void AudioStream::rtpReceived(const std::shared_ptr<const RTPPacket>& packet, MediaTime now)
{
    m_host.counters().audioPacketsReceived++;
    m_reporter.packetReceived(*packet, clockRateOf(*m_codec), now);
    if (m_useJitterBuffer)
        m_jitterBuffer.insert(packet, now, m_host.drops());
    else
        play(packet, 0);
}

void AudioStream::tick(MediaTime now)
{
    if (m_useJitterBuffer) {
        // Bounded by what the buffer can hold, so a clock that jumped far still ends.
        for (size_t i = 0, held = m_jitterBuffer.size(); i < held && m_host.running(); ++i) {
            auto slot = m_jitterBuffer.pop(now);
            if (!slot)
                break;
            play(slot->packet, slot->lostBefore);
        }
    }
    if (m_host.running() && m_reporter.isDue(now))
        m_host.sendRtcp(m_reporter.makeReport(now));
}

void AudioStream::play(const std::shared_ptr<const RTPPacket>& held, uint32_t lostBefore)
{
    auto packet = std::make_shared<RTPPacket>(*held);
    auto encoded = callCodec("depacketize", [&] { return m_codec->depacketizeWithPacket(packet); });
    std::shared_ptr<AudioFrame> decoded;
    if (encoded)
        decoded = callCodec("decode", [&] { return m_codec->decodeWithEncodedFrame(*encoded); });
    // Read after the decode: a codec that conceals switches ours off at its first frame.
    const bool weConceal = !m_remoteStream->disablePLC();
    auto& statistics = m_host.counters();

    std::shared_ptr<AudioFrame> frame;
    if (decoded) {
        frame = ownedCopy(*decoded);
        statistics.audioFramesDecoded++;
    } else if (weConceal) {
        frame = silence();
        statistics.audioFramesConcealed++;
    } else {
        return;
    }
    if (weConceal && lostBefore > 0) {
        std::vector<std::shared_ptr<AudioFrame>> fill;
        for (uint32_t i = 0; i < std::min(lostBefore, maxConcealedFrames); ++i)
            fill.push_back(silence());
        frame->framesToPlayBefore.insert(frame->framesToPlayBefore.begin(), fill.begin(), fill.end());
    }
    statistics.audioFramesConcealed += frame->framesToPlayBefore.size();
    if (m_onFrame)
        m_onFrame(frame);
}

std::shared_ptr<AudioFrame> AudioStream::silence() const
{
    auto frame = std::make_shared<AudioFrame>();
    frame->data = std::make_shared<std::vector<uint8_t>>(m_frameBytes, 0);
    frame->length = static_cast<int>(m_frameBytes);
    return frame;
}

std::shared_ptr<AudioFrame> AudioStream::ownedCopy(const AudioFrame& frame) const
{
    auto copy = std::make_shared<AudioFrame>();
    copy->data = std::make_shared<std::vector<uint8_t>>();
    if (frame.data && frame.index >= 0 && frame.length > 0) {
        const auto begin = static_cast<size_t>(frame.index);
        const auto end = std::min(frame.data->size(), begin + static_cast<size_t>(frame.length));
        if (begin < end)
            copy->data->assign(frame.data->begin() + static_cast<std::ptrdiff_t>(begin),
                               frame.data->begin() + static_cast<std::ptrdiff_t>(end));
    }
    copy->length = static_cast<int>(copy->data->size());
    for (const auto& before : frame.framesToPlayBefore)
        if (before)
            copy->framesToPlayBefore.push_back(ownedCopy(*before));
    return copy;
}

void AudioStream::rtcpReceived(const std::vector<std::shared_ptr<RTCPPacket>>& packets, MediaTime now)
{
    m_reporter.rtcpReceived(packets, now);
    std::vector<std::shared_ptr<RTCPPacket>> forCodec;
    for (const auto& packet : packets) {
        const auto* report = dynamic_cast<const RTCPReportPacket*>(packet.get());
        if (!report)
            continue;
        if (auto ours = reportBlocksAbout(*report, m_stamper.ssrc())) {
            m_host.counters().reportBlocksReceived += ours->reportBlocks.size();
            forCodec.push_back(std::move(ours));
        }
    }
    if (!forCodec.empty() && m_host.running())
        callCodec("processRTCP", [&] { m_codec->processRTCPWithPackets(forCodec); });
}

void AudioStream::destroyCodec()
{
    callCodec("destroy", [&] { m_codec->destroy(); });
}

} // namespace media
