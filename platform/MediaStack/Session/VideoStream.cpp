#include "MediaStack/Session/VideoStream.h"

#include <algorithm>

#include "MediaStack/RTCPPliPacket.h"
#include "MediaStack/Rtp/RtcpNackPacket.h"
#include "MediaStack/Rtp/RtcpRembPacket.h"
#include "MediaStack/Rtp/Vp8PayloadDescriptor.h"
#include "MediaStack/Session/CodecCall.h"
#include "MediaStack/Session/ReportBlocksAbout.h"
#include "MediaStack/Session/StreamDirection.h"

namespace media {

using mediastack::rtp::MediaTime;

namespace {

constexpr int kVideoClockRate = 90000;

} // namespace

VideoStream::VideoStream(StreamHost& host, std::shared_ptr<VideoCodecBase> codec, const mediastack::sdp::NegotiatedSession::Media& media,
                         const MediaSessionOptions& options, MediaTime now, uint64_t ntpNow)
    : m_host(host), m_codec(std::move(codec)), m_sends(sendsIn(media.direction)), m_receives(receivesIn(media.direction)),
      m_sendsNacks(media.nack), m_sendsPlis(media.pli && !options.disablePLI), m_answersNacks(!options.disableNackBuffer),
      m_stamper(options.localVideoSsrc, media.codec.payloadType, kVideoClockRate), m_reporter({.localSsrc = options.localVideoSsrc,
                                                                                               .localClockRate = kVideoClockRate,
                                                                                               .cname = options.cname,
                                                                                               .seed = options.localVideoSsrc | 1},
                                                                                              now, ntpNow),
      m_source(media.remoteSsrc, media.codec.payloadType)
{
}

bool VideoStream::claims(const RTPPacket& packet, MediaTime now)
{
    if (!m_receives)
        return false;
    const auto match = m_source.match(packet, now);
    if (match == RemoteSourceLatch::Match::Replaced)
        resetReceiving();
    return match != RemoteSourceLatch::Match::No;
}

void VideoStream::resetReceiving()
{
    m_nacks = mediastack::rtp::NackGenerator();
    m_assembler = mediastack::rtp::Vp8FrameAssembler();
    m_framesAbandoned = 0;
    m_unansweredPlis = 0;
    m_depacketizerSequence.startOver();
}

void VideoStream::sendFrame(const std::shared_ptr<VideoFrame>& frame, double capturedAt, MediaTime now)
{
    if (!m_sends || !frame)
        return;
    if (!withinAllowance(now)) {
        m_host.counters().videoFramesSkipped++;
        return;
    }
    auto encoded = callCodec("encode", [&] { return m_codec->encodeWithFrame(frame); });
    if (!encoded || encoded->empty() || !m_host.running())
        return;
    m_host.counters().videoFramesEncoded++;
    auto packets = callCodec("packetize", [&] { return m_codec->packetizeWithEncodedFrame(*encoded); });
    m_stamper.stamp(packets, m_stamper.timestampAt(capturedAt));
    for (const auto& packet : packets) {
        if (!m_host.sendRtp(*packet))
            continue;
        m_host.counters().videoPacketsSent++;
        if (m_sendAllowance)
            m_sendBudget -= 8.0 * static_cast<double>(packet->payload.size() + 12);
        m_reporter.packetSent(*packet, now);
        if (m_answersNacks)
            m_retransmissions.packetSent(packet, now);
    }
}

bool VideoStream::withinAllowance(MediaTime now)
{
    if (!m_sendAllowance)
        return true;
    const double rate = static_cast<double>(std::max(*m_sendAllowance, minSendAllowance));
    const double seconds = m_lastRefill ? std::chrono::duration<double>(now - *m_lastRefill).count() : 0.0;
    m_lastRefill = now;
    m_sendBudget = std::min(m_sendBudget + rate * std::max(seconds, 0.0), rate * allowanceBurstSeconds);
    return m_sendBudget >= 0;
}

void VideoStream::rtpReceived(const std::shared_ptr<const RTPPacket>& packet, MediaTime now)
{
    m_host.counters().videoPacketsReceived++;
    m_reporter.packetReceived(*packet, kVideoClockRate, now);
    const auto dropsBefore = m_host.drops().total();
    auto released = m_assembler.insert(packet, now, m_host.drops());
    // A packet the assembler threw away (unreadable, duplicate, too late) tells the NACK
    // side nothing: an unreadable one must not open a gap to ask for.
    if (m_sendsNacks && m_host.drops().total() == dropsBefore)
        m_nacks.packetReceived(packet->sequenceNumber);
    decode(released, now);
    repair(now);
}

void VideoStream::decode(const std::vector<std::shared_ptr<const RTPPacket>>& packets, MediaTime now)
{
    bool keyFrameNeeded = false;
    for (const auto& held : packets) {
        if (!m_host.running())
            return;
        if (const auto descriptor = mediastack::rtp::Vp8PayloadDescriptor::read(held->payload);
            descriptor && descriptor->startOfFrame && descriptor->keyFrame)
            m_unansweredPlis = 0;
        // The codec's interface takes packets it may change; the assembler's stay as they came.
        auto packet = std::make_shared<RTPPacket>(*held);
        packet->sequenceNumber = m_depacketizerSequence.map(held->sequenceNumber);
        auto encoded = callCodec("depacketize", [&] { return m_codec->depacketizeWithPacket(packet); });
        if (!encoded)
            continue;
        auto frame = callCodec("decode", [&] { return m_codec->decodeWithEncodedFrame(*encoded); });
        if (frame) {
            m_host.counters().videoFramesDecoded++;
            if (m_onFrame)
                m_onFrame(frame);
            if (!m_host.running())
                return;
        }
        keyFrameNeeded = keyFrameNeeded || m_codec->decoderNeedsKeyFrame();
    }
    if (keyFrameNeeded)
        requestKeyFrame(now);
}

void VideoStream::repair(MediaTime now)
{
    bool keyFrameNeeded = false;
    if (m_sendsNacks) {
        if (const auto next = m_assembler.nextSequenceNumber())
            m_nacks.giveUpBefore(*next);
        const bool paced = m_lastNack && now - *m_lastNack < minNackGap;
        const auto due = paced ? std::vector<uint16_t>() : m_nacks.due(now, m_reporter.roundTripTime());
        if (!due.empty() && m_source.ssrc()) {
            m_lastNack = now;
            auto nack = std::make_shared<mediastack::rtp::RtcpNackPacket>();
            nack->senderSsrc = m_stamper.ssrc();
            nack->mediaSsrc = *m_source.ssrc();
            nack->lostSequenceNumbers = due;
            if (m_host.sendRtcp({nack}))
                m_host.counters().nacksSent++;
        }
        keyFrameNeeded = m_nacks.takeKeyFrameRequest();
    }
    if (m_assembler.framesAbandoned() != m_framesAbandoned) {
        m_framesAbandoned = m_assembler.framesAbandoned();
        keyFrameNeeded = true;
    }
    if (keyFrameNeeded)
        requestKeyFrame(now);
}

void VideoStream::requestKeyFrame(MediaTime now)
{
    if (!m_sendsPlis || !m_source.ssrc())
        return;
    using mediastack::rtp::MediaDuration;
    MediaDuration gap = std::max<MediaDuration>(minPliGap, m_reporter.roundTripTime().value_or(minPliGap));
    for (int i = 1; i < m_unansweredPlis && gap < maxPliGap; ++i)
        gap *= 2;
    gap = std::min<MediaDuration>(gap, maxPliGap);
    if (m_lastPli && now - *m_lastPli < gap)
        return;
    auto pli = std::make_shared<RTCPPliPacket>();
    pli->senderSsrc = m_stamper.ssrc();
    pli->mediaSsrc = *m_source.ssrc();
    if (!m_host.sendRtcp({pli}))
        return;
    m_lastPli = now;
    m_unansweredPlis++;
    m_host.counters().plisSent++;
}

void VideoStream::rtcpReceived(const std::vector<std::shared_ptr<RTCPPacket>>& packets, MediaTime now)
{
    m_reporter.rtcpReceived(packets, now);
    if (const auto roundTrip = m_reporter.roundTripTime())
        m_host.counters().roundTripMs = std::chrono::duration<double, std::milli>(*roundTrip).count();
    std::vector<std::shared_ptr<RTCPPacket>> forCodec;
    bool keyFrameRequested = false;
    for (const auto& packet : packets) {
        if (const auto* report = dynamic_cast<const RTCPReportPacket*>(packet.get())) {
            if (auto ours = reportBlocksAbout(*report, m_stamper.ssrc())) {
                m_host.counters().reportBlocksReceived += ours->reportBlocks.size();
                forCodec.push_back(std::move(ours));
            }
        } else if (const auto* pli = dynamic_cast<const RTCPPliPacket*>(packet.get())) {
            if (pli->mediaSsrc != m_stamper.ssrc())
                continue;
            m_host.counters().plisReceived++;
            if (keyFrameRequested || (m_lastKeyFrameAnswered && now - *m_lastKeyFrameAnswered < minKeyFrameGap))
                continue;
            m_lastKeyFrameAnswered = now;
            forCodec.push_back(packet);
            keyFrameRequested = true;
        } else if (const auto* remb = dynamic_cast<const mediastack::rtp::RtcpRembPacket*>(packet.get())) {
            const auto& listed = remb->mediaSsrcs;
            if (!m_sends || (!listed.empty() && std::find(listed.begin(), listed.end(), m_stamper.ssrc()) == listed.end()))
                continue;
            m_host.counters().rembsReceived++;
            m_host.counters().sendAllowance = remb->bitrate;
            if (!m_sendAllowance) {
                m_lastRefill = now;
                m_sendBudget = 0;
            }
            m_sendAllowance = remb->bitrate;
        } else if (const auto* nack = dynamic_cast<const mediastack::rtp::RtcpNackPacket*>(packet.get())) {
            if (nack->mediaSsrc == m_stamper.ssrc() && m_answersNacks)
                resend(nack->lostSequenceNumbers, now);
        }
    }
    if (!forCodec.empty() && m_host.running())
        callCodec("processRTCP", [&] { m_codec->processRTCPWithPackets(forCodec); });
    if (keyFrameRequested && m_sends && m_onKeyFrameRequest)
        m_onKeyFrameRequest();
}

void VideoStream::resend(const std::vector<uint16_t>& sequenceNumbers, MediaTime now)
{
    for (const auto& packet : m_retransmissions.packetsToResend(sequenceNumbers, now, m_reporter.roundTripTime())) {
        if (m_host.sendRtp(*packet))
            m_host.counters().retransmissionsSent++;
    }
}

void VideoStream::tick(MediaTime now)
{
    if (m_receives) {
        decode(m_assembler.poll(now), now);
        if (!m_host.running())
            return;
        repair(now);
    }
    if (m_reporter.isDue(now))
        m_host.sendRtcp(m_reporter.makeReport(now));
}

void VideoStream::destroyCodec()
{
    callCodec("destroy", [&] { m_codec->destroy(); });
}

} // namespace media
