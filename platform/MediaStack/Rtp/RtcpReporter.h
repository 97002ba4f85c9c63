#pragma once
// The RTCP side of one of our RTP streams: counts what we send for our sender reports,
// keeps the receive statistics of the far side's sources, reads the reports the far side
// sends (its sender reports for our report blocks, its report blocks about us for the
// round-trip time), and makes our compound report when it is due: a sender report when we
// sent since the last one, else a receiver report, with a block per source we heard, and
// an SDES with our CNAME.
// Our NTP times run on the monotonic clock from the pair (time, NTP) given at construction:
// the far side only echoes them back, for the round-trip time. A round trip longer than
// `maxRoundTrip` is not one any call has: such a block is a far side's fault or a lie and is
// not taken, since the round trip paces our key-frame requests, NACKs and resends.
// Not thread-safe: the stream's media-stack thread owns it.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MediaStack/RTCPPacket.h"
#include "MediaStack/RTPPacket.h"
#include "MediaStack/Rtp/MediaTime.h"
#include "MediaStack/Rtp/ReceiveStatistics.h"
#include "MediaStack/Rtp/RtcpInterval.h"

namespace mediastack::rtp {

class RtcpReporter {
public:
    struct Config {
        uint32_t localSsrc = 0;
        int localClockRate = 90000;
        std::string cname;
        MediaDuration interval = std::chrono::seconds(1);
        // The far side has one source per stream; a few more allow for its restarts.
        size_t maxRemoteSources = 4;
        uint32_t seed = 1;
    };

    RtcpReporter(Config config, MediaTime start, uint64_t ntpAtStart);

    void packetSent(const RTPPacket& packet, MediaTime now);
    // False when the packet is not counted (source on probation, or no room for a new
    // source: the quietest one makes room only once it has gone silent).
    bool packetReceived(const RTPPacket& packet, int clockRate, MediaTime now);
    // Takes what concerns this stream from received RTCP.
    void rtcpReceived(const std::vector<std::shared_ptr<RTCPPacket>>& packets, MediaTime now);

    bool isDue(MediaTime now) { return m_interval.isDue(now); }
    // Our compound report; the next one is then due an interval later.
    std::vector<std::shared_ptr<RTCPPacket>> makeReport(MediaTime now);

    static constexpr auto maxRoundTrip = std::chrono::seconds(3);

    std::optional<MediaDuration> roundTripTime() const { return m_roundTripTime; }
    uint64_t ntpTime(MediaTime now) const;

private:
    struct Remote {
        ReceiveStatistics statistics;
        MediaTime lastHeard;
    };

    Config m_config;
    MediaTime m_start;
    uint64_t m_ntpAtStart;
    RtcpInterval m_interval;

    uint32_t m_packetsSent = 0;
    uint32_t m_octetsSent = 0;
    bool m_sentSinceReport = false;
    std::optional<std::pair<uint32_t, MediaTime>> m_lastSent;

    std::map<uint32_t, Remote> m_remotes;
    std::optional<MediaDuration> m_roundTripTime;
};

}
