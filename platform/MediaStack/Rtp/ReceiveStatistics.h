#pragma once
// What we received of one remote source, as the report block about it needs (RFC 3550
// appendix A.1, A.3 and A.8): the extended highest sequence number, packets lost in total
// and since the last report, interarrival jitter, and the last sender report's time for the
// far side's round-trip measurement. A source becomes valid after two packets in sequence;
// a jump of more than 3000 numbers is taken as a restart once the next packet confirms it.
// Not thread-safe: the receive path of one stream owns it.
#include <cstdint>
#include <optional>

#include "MediaStack/RTCPReportBlock.h"
#include "MediaStack/RTPPacket.h"
#include "MediaStack/Rtp/MediaTime.h"

namespace mediastack::rtp {

class ReceiveStatistics {
public:
    ReceiveStatistics(uint32_t ssrc, int clockRate);

    uint32_t ssrc() const { return m_ssrc; }
    // False while the source is on probation, or after a packet the sequence rules refused.
    bool packetReceived(const RTPPacket& packet, MediaTime arrival);
    void senderReportReceived(uint64_t ntpTimestamp, MediaTime arrival);

    // Whether anything came in since the last report block.
    bool hasNewPackets() const { return m_received != m_receivedPrior; }
    // The block for our next report; starts the next reporting interval.
    RTCPReportBlock makeReportBlock(MediaTime now);

    uint32_t jitter() const { return m_jitter >> 4; }
    uint64_t packetsReceived() const { return m_received; }

private:
    void restart(uint16_t sequenceNumber);

    uint32_t m_ssrc;
    int m_clockRate;
    bool m_started = false;
    uint16_t m_maxSequence = 0;
    uint32_t m_cycles = 0;
    uint32_t m_baseSequence = 0;
    uint32_t m_badSequence = 0;
    int m_probation = 0;
    uint64_t m_received = 0;
    uint64_t m_expectedPrior = 0;
    uint64_t m_receivedPrior = 0;

    // Jitter in timestamp units, times 16 (RFC 3550 A.8).
    uint32_t m_jitter = 0;
    std::optional<int64_t> m_lastTransit;

    uint32_t m_lastSenderReport = 0;
    std::optional<MediaTime> m_lastSenderReportArrival;
};

}
