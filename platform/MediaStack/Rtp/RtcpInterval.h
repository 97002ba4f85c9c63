#pragma once
// When the next RTCP report is due (RFC 3550 section 6.2): every `interval` on average,
// each gap drawn at random from half to one and a half times it so that reports of many
// senders do not fall into step, the first one after half a gap. With two parties on a
// link the bandwidth share of RTCP is no concern, so the interval is fixed rather than
// derived from the group size.
// Not thread-safe: owned by the reporter of one stream.
#include <cstdint>
#include <optional>
#include <random>

#include "MediaStack/Rtp/MediaTime.h"

namespace mediastack::rtp {

class RtcpInterval {
public:
    RtcpInterval(MediaDuration interval, uint32_t seed)
        : m_interval(interval)
        , m_random(seed)
    {
    }

    bool isDue(MediaTime now)
    {
        if (!m_next) {
            m_next = now + m_interval / 2;
        }
        return now >= *m_next;
    }

    // A report went out at `now`: the next one is due one randomised gap later.
    void reportSent(MediaTime now)
    {
        std::uniform_real_distribution<double> factor(0.5, 1.5);
        m_next = now + std::chrono::duration_cast<MediaDuration>(m_interval * factor(m_random));
    }

    std::optional<MediaTime> nextReport() const { return m_next; }

private:
    MediaDuration m_interval;
    std::minstd_rand m_random;
    std::optional<MediaTime> m_next;
};

}
