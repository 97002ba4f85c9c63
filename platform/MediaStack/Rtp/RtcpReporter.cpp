#include "MediaStack/Rtp/RtcpReporter.h"

#include <algorithm>

#include "MediaStack/RTCPReceiverReportPacket.h"
#include "MediaStack/RTCPSenderReportPacket.h"
#include "MediaStack/Rtp/RtcpSdesPacket.h"

namespace mediastack::rtp {

namespace {

// A source silent for this long may give its place to a new one.
constexpr auto kSilentSource = std::chrono::seconds(5);

}

RtcpReporter::RtcpReporter(Config config, MediaTime start, uint64_t ntpAtStart)
    : m_config(std::move(config))
    , m_start(start)
    , m_ntpAtStart(ntpAtStart)
    , m_interval(m_config.interval, m_config.seed)
{
}

uint64_t RtcpReporter::ntpTime(MediaTime now) const
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_start).count();
    const auto seconds = static_cast<uint64_t>(elapsed / 1000000000);
    const auto fraction = (static_cast<uint64_t>(elapsed % 1000000000) << 32) / 1000000000;
    return m_ntpAtStart + (seconds << 32) + fraction;
}

void RtcpReporter::packetSent(const RTPPacket& packet, MediaTime now)
{
    m_packetsSent++;
    m_octetsSent += static_cast<uint32_t>(packet.payload.size());
    m_sentSinceReport = true;
    m_lastSent = std::make_pair(packet.timestamp, now);
}

bool RtcpReporter::packetReceived(const RTPPacket& packet, int clockRate, MediaTime now)
{
    auto found = m_remotes.find(packet.ssrc);
    if (found == m_remotes.end()) {
        if (m_remotes.size() >= m_config.maxRemoteSources) {
            auto quietest = std::min_element(m_remotes.begin(), m_remotes.end(),
                [](const auto& a, const auto& b) { return a.second.lastHeard < b.second.lastHeard; });
            if (now - quietest->second.lastHeard < kSilentSource) {
                return false;
            }
            m_remotes.erase(quietest);
        }
        found = m_remotes.emplace(packet.ssrc, Remote { ReceiveStatistics(packet.ssrc, clockRate), now }).first;
    }
    found->second.lastHeard = now;
    return found->second.statistics.packetReceived(packet, now);
}

void RtcpReporter::rtcpReceived(const std::vector<std::shared_ptr<RTCPPacket>>& packets, MediaTime now)
{
    for (const auto& packet : packets) {
        const auto* report = dynamic_cast<const RTCPReportPacket*>(packet.get());
        if (!report) {
            continue;
        }
        if (const auto* sr = dynamic_cast<const RTCPSenderReportPacket*>(report)) {
            if (auto found = m_remotes.find(sr->ssrc); found != m_remotes.end()) {
                found->second.statistics.senderReportReceived(sr->ntpTimestamp, now);
            }
        }
        for (const auto& block : report->reportBlocks) {
            if (block.ssrc != m_config.localSsrc || block.lastSenderReport == 0) {
                continue;
            }
            // RFC 3550 section 6.4.1: arrival minus our echoed time minus the far side's hold.
            const auto middle = static_cast<uint32_t>(ntpTime(now) >> 16);
            const auto units = static_cast<int32_t>(middle - block.lastSenderReport - block.delaySinceLastSenderReport);
            const auto sample = std::chrono::duration_cast<MediaDuration>(std::chrono::microseconds(int64_t { units } * 1000000 / 65536));
            if (units >= 0 && sample <= maxRoundTrip) {
                m_roundTripTime = sample;
            }
        }
    }
}

std::vector<std::shared_ptr<RTCPPacket>> RtcpReporter::makeReport(MediaTime now)
{
    std::shared_ptr<RTCPReportPacket> report;
    if (m_sentSinceReport && m_lastSent) {
        auto sr = std::make_shared<RTCPSenderReportPacket>();
        sr->ntpTimestamp = ntpTime(now);
        const auto since = std::chrono::duration_cast<std::chrono::microseconds>(now - m_lastSent->second).count();
        sr->rtpTimestamp = m_lastSent->first + static_cast<uint32_t>(since * m_config.localClockRate / 1000000);
        sr->senderPacketCount = m_packetsSent;
        sr->senderOctetCount = m_octetsSent;
        report = sr;
    } else {
        report = std::make_shared<RTCPReceiverReportPacket>();
    }
    report->ssrc = m_config.localSsrc;
    for (auto& [ssrc, remote] : m_remotes) {
        if (remote.statistics.hasNewPackets()) {
            report->reportBlocks.push_back(remote.statistics.makeReportBlock(now));
        }
    }
    auto sdes = std::make_shared<RtcpSdesPacket>();
    sdes->ssrc = m_config.localSsrc;
    sdes->cname = m_config.cname;

    m_sentSinceReport = false;
    m_interval.reportSent(now);
    return { report, sdes };
}

}
