#include "MediaStack/Rtp/ReceiveStatistics.h"

#include <algorithm>
#include <cstdlib>

namespace mediastack::rtp {

namespace {

constexpr uint16_t kMaxDropout = 3000;
constexpr uint16_t kMaxMisorder = 100;
constexpr int kMinSequential = 2;
constexpr uint32_t kSequenceModulus = 1u << 16;

}

ReceiveStatistics::ReceiveStatistics(uint32_t ssrc, int clockRate)
    : m_ssrc(ssrc)
    , m_clockRate(clockRate > 0 ? clockRate : 90000)
{
}

void ReceiveStatistics::restart(uint16_t sequenceNumber)
{
    m_baseSequence = sequenceNumber;
    m_maxSequence = sequenceNumber;
    m_badSequence = kSequenceModulus + 1; // so that the next packet is not taken as a restart
    m_cycles = 0;
    m_received = 0;
    m_receivedPrior = 0;
    m_expectedPrior = 0;
}

bool ReceiveStatistics::packetReceived(const RTPPacket& packet, MediaTime arrival)
{
    const uint16_t seq = packet.sequenceNumber;
    if (!m_started) {
        m_started = true;
        restart(seq);
        m_maxSequence = static_cast<uint16_t>(seq - 1);
        m_probation = kMinSequential;
    }

    const auto delta = static_cast<uint16_t>(seq - m_maxSequence);
    if (m_probation > 0) {
        if (seq == static_cast<uint16_t>(m_maxSequence + 1)) {
            m_probation--;
            m_maxSequence = seq;
            if (m_probation == 0) {
                restart(seq);
                m_received = 1;
            } else {
                return false;
            }
        } else {
            m_probation = kMinSequential - 1;
            m_maxSequence = seq;
            return false;
        }
    } else if (delta < kMaxDropout) {
        if (seq < m_maxSequence) {
            m_cycles += kSequenceModulus;
        }
        m_maxSequence = seq;
        m_received++;
    } else if (delta <= kSequenceModulus - kMaxMisorder) {
        // A large jump: a restart when the next packet follows on from this one.
        if (seq == m_badSequence) {
            restart(seq);
            m_received = 1;
        } else {
            m_badSequence = (seq + 1u) & (kSequenceModulus - 1);
            return false;
        }
    } else {
        // Duplicate or reordered: counts as received (RFC 3550 A.3 accepts the skew).
        m_received++;
    }

    const int64_t arrivalUnits = std::chrono::duration_cast<std::chrono::microseconds>(arrival.time_since_epoch()).count() * m_clockRate / 1000000;
    const int64_t transit = arrivalUnits - static_cast<int64_t>(packet.timestamp);
    if (m_lastTransit) {
        // Timestamps wrap at 32 bits: the difference is taken modulo 2^32 as a signed value.
        const auto difference = static_cast<int32_t>(static_cast<uint32_t>(transit - *m_lastTransit));
        const uint32_t d = static_cast<uint32_t>(std::min<int64_t>(std::llabs(difference), 0x0FFFFFFF));
        m_jitter += d - ((m_jitter + 8) >> 4);
    }
    m_lastTransit = transit;
    return true;
}

void ReceiveStatistics::senderReportReceived(uint64_t ntpTimestamp, MediaTime arrival)
{
    m_lastSenderReport = static_cast<uint32_t>(ntpTimestamp >> 16);
    m_lastSenderReportArrival = arrival;
}

RTCPReportBlock ReceiveStatistics::makeReportBlock(MediaTime now)
{
    RTCPReportBlock block;
    block.ssrc = m_ssrc;
    const uint32_t extendedMax = m_cycles + m_maxSequence;
    block.extendedHighestSequenceNumber = extendedMax;
    if (m_probation == 0 && m_started) {
        const int64_t expected = int64_t { extendedMax } - m_baseSequence + 1;
        const int64_t lost = expected - static_cast<int64_t>(m_received);
        block.cumulativePacketsLost = static_cast<int32_t>(std::clamp<int64_t>(lost, -0x800000, 0x7FFFFF));

        const int64_t expectedInterval = expected - static_cast<int64_t>(m_expectedPrior);
        const int64_t receivedInterval = static_cast<int64_t>(m_received - m_receivedPrior);
        const int64_t lostInterval = expectedInterval - receivedInterval;
        m_expectedPrior = static_cast<uint64_t>(std::max<int64_t>(expected, 0));
        m_receivedPrior = m_received;
        if (expectedInterval > 0 && lostInterval > 0) {
            block.fractionLost = static_cast<double>(std::min<int64_t>((lostInterval << 8) / expectedInterval, 255)) / 256.0;
        }
    }
    block.jitter = jitter();
    if (m_lastSenderReportArrival) {
        block.lastSenderReport = m_lastSenderReport;
        const auto since = std::chrono::duration_cast<std::chrono::microseconds>(now - *m_lastSenderReportArrival).count();
        block.delaySinceLastSenderReport = static_cast<uint32_t>(std::max<int64_t>(since, 0) * 65536 / 1000000);
    }
    return block;
}

}
