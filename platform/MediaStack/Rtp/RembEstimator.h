#pragma once
// The receiver's estimate of the bandwidth the path from the far side carries, told to the
// sender in REMB feedback. Delay-based, as browsers' receive-side estimators are: packets are
// grouped by their abs-send-time (a group is what left within 5 ms), and for each group the
// growth of the path's delay (arrival gap minus send gap) is accumulated, smoothed, and its
// trend over the last groups fitted as a line. A rising trend is a queue filling up
// (overuse): the estimate drops to 85 % of what arrives. Otherwise it grows by 8 % a second,
// never beyond one and a half times what arrives. The estimate is sent once a second, and at
// once (at most every 200 ms) when it dropped by more than 3 %.
// Holds a bounded amount: 50 buckets of incoming bytes and 20 delay samples.
// Not thread-safe: the session's media thread owns it; time is passed in.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "MediaStack/Rtp/MediaTime.h"

namespace mediastack::rtp {

class RembEstimator {
public:
    struct Config {
        uint64_t minBitrate = 30000;
        uint64_t maxBitrate = 2500000;
        // Until the path shows a queue; a sender that sends less is not held back by it.
        uint64_t startBitrate = 1000000;
    };
    enum class Usage { Normal, Over, Under };

    RembEstimator();
    explicit RembEstimator(Config config);

    // A packet of the far side arrived, `bytes` long, with the send time it carried if any.
    void packetReceived(MediaTime arrival, std::optional<uint32_t> absSendTime, size_t bytes);
    // The estimate to send now in a REMB, when one is due.
    std::optional<uint64_t> rembDue(MediaTime now);

    uint64_t estimate() const { return m_estimate; }
    // What arrived over the last half second, in bit/s.
    uint64_t incomingBitrate(MediaTime now) const;
    Usage usage() const { return m_usage; }

private:
    struct Group {
        uint32_t firstSendTime = 0;
        uint32_t lastSendTime = 0;
        MediaTime lastArrival;
    };
    void groupCompleted(const Group& previous, const Group& current);
    void updateEstimate(MediaTime now);

    Config m_config;
    // Bytes per 10 ms bucket over the last 500 ms.
    std::deque<std::pair<MediaTime, size_t>> m_buckets;
    std::optional<Group> m_previousGroup;
    std::optional<Group> m_group;
    double m_accumulatedDelayMs = 0;
    double m_smoothedDelayMs = 0;
    std::deque<std::pair<double, double>> m_samples; // arrival ms, smoothed delay ms
    std::optional<MediaTime> m_firstArrival;
    int m_overuseCount = 0;
    Usage m_usage = Usage::Normal;

    uint64_t m_estimate;
    std::optional<MediaTime> m_lastUpdate;
    std::optional<MediaTime> m_lastSent;
    uint64_t m_lastSentEstimate = 0;
};

}
