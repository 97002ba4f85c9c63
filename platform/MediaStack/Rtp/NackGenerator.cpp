#include "MediaStack/Rtp/NackGenerator.h"

#include <algorithm>
#include <utility>

namespace mediastack::rtp {

NackGenerator::NackGenerator()
    : NackGenerator(Config {})
{
}

NackGenerator::NackGenerator(Config config)
    : m_config(config)
{
}

void NackGenerator::packetReceived(uint16_t sequenceNumber)
{
    const int64_t number = m_unwrapper.unwrap(sequenceNumber);
    if (!m_newest) {
        m_newest = number;
        return;
    }
    if (number <= *m_newest) {
        m_missing.erase(number); // late or retransmitted
        return;
    }
    const int64_t gap = number - *m_newest - 1;
    if (gap > 0) {
        if (gap > static_cast<int64_t>(m_config.maxMissing) || m_missing.size() + gap > m_config.maxMissing) {
            m_missing.clear();
            m_keyFrameRequested = true;
        } else {
            for (int64_t n = *m_newest + 1; n < number; ++n) {
                m_missing.emplace(n, Missing {});
            }
        }
    }
    m_newest = number;
    forgetOlderThan(number - m_config.maxAge);
}

void NackGenerator::forgetOlderThan(int64_t oldest)
{
    m_missing.erase(m_missing.begin(), m_missing.lower_bound(oldest));
}

std::vector<uint16_t> NackGenerator::due(MediaTime now, std::optional<MediaDuration> roundTripTime)
{
    const MediaDuration gap = std::max(roundTripTime.value_or(m_config.defaultRoundTrip), m_config.minRetryGap);
    std::vector<uint16_t> out;
    for (auto it = m_missing.begin(); it != m_missing.end();) {
        auto& entry = it->second;
        if (entry.lastAsked && now - *entry.lastAsked < gap) {
            ++it;
            continue;
        }
        if (entry.retries >= m_config.maxRetries) {
            it = m_missing.erase(it);
            continue;
        }
        entry.retries++;
        entry.lastAsked = now;
        out.push_back(static_cast<uint16_t>(it->first));
        ++it;
    }
    return out;
}

void NackGenerator::giveUpBefore(uint16_t sequenceNumber)
{
    if (!m_newest) {
        return;
    }
    const auto delta = static_cast<int16_t>(static_cast<uint16_t>(sequenceNumber - static_cast<uint16_t>(*m_newest)));
    forgetOlderThan(*m_newest + delta);
}

bool NackGenerator::takeKeyFrameRequest()
{
    return std::exchange(m_keyFrameRequested, false);
}

}
