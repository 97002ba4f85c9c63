#include "MediaStack/Rtp/RembEstimator.h"

#include <algorithm>
#include <cmath>

#include "MediaStack/Rtp/AbsSendTime.h"

namespace mediastack::rtp {

namespace {

constexpr auto kBucket = std::chrono::milliseconds(10);
constexpr auto kRateWindow = std::chrono::milliseconds(500);
constexpr auto kGroupSpan = std::chrono::milliseconds(5);
constexpr size_t kTrendSamples = 20;
constexpr double kSmoothing = 0.9;
constexpr double kTrendGain = 4.0;
// The trend (ms of delay growth, scaled) past which the path is taken as over- or underused.
constexpr double kThresholdMs = 12.5;
constexpr auto kRembInterval = std::chrono::seconds(1);
constexpr auto kUrgentRembGap = std::chrono::milliseconds(200);

double millis(MediaDuration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}

RembEstimator::RembEstimator()
    : RembEstimator(Config {})
{
}

RembEstimator::RembEstimator(Config config)
    : m_config(config)
    , m_estimate(std::clamp(config.startBitrate, config.minBitrate, config.maxBitrate))
{
}

uint64_t RembEstimator::incomingBitrate(MediaTime now) const
{
    size_t bytes = 0;
    for (const auto& [at, count] : m_buckets)
        if (now - at < kRateWindow)
            bytes += count;
    return static_cast<uint64_t>(bytes) * 8 * 1000 / std::chrono::duration_cast<std::chrono::milliseconds>(kRateWindow).count();
}

void RembEstimator::packetReceived(MediaTime arrival, std::optional<uint32_t> absSendTime, size_t bytes)
{
    if (!m_firstArrival)
        m_firstArrival = arrival;
    if (m_buckets.empty() || arrival - m_buckets.back().first >= kBucket)
        m_buckets.emplace_back(arrival, 0);
    m_buckets.back().second += bytes;
    while (!m_buckets.empty() && (arrival - m_buckets.front().first >= kRateWindow || m_buckets.size() > 50))
        m_buckets.pop_front();

    if (absSendTime) {
        const uint32_t sent = *absSendTime & 0xFFFFFF;
        if (!m_group) {
            m_group = Group { sent, sent, arrival };
        } else if (AbsSendTime::between(m_group->firstSendTime, sent) < MediaDuration::zero()) {
            // Reordered or resent: it says nothing about the queue now.
        } else if (AbsSendTime::between(m_group->firstSendTime, sent) <= kGroupSpan) {
            m_group->lastSendTime = sent;
            m_group->lastArrival = std::max(m_group->lastArrival, arrival);
        } else {
            if (m_previousGroup)
                groupCompleted(*m_previousGroup, *m_group);
            m_previousGroup = m_group;
            m_group = Group { sent, sent, arrival };
        }
    }
    updateEstimate(arrival);
}

void RembEstimator::groupCompleted(const Group& previous, const Group& current)
{
    const double sendGap = millis(AbsSendTime::between(previous.lastSendTime, current.lastSendTime));
    const double arrivalGap = millis(current.lastArrival - previous.lastArrival);
    // A send gap of seconds is a pause or a clock jump, not a measure of the queue.
    if (sendGap < 0 || sendGap > 2000)
        return;
    m_accumulatedDelayMs += arrivalGap - sendGap;
    m_smoothedDelayMs = kSmoothing * m_smoothedDelayMs + (1 - kSmoothing) * m_accumulatedDelayMs;
    m_samples.emplace_back(millis(current.lastArrival - *m_firstArrival), m_smoothedDelayMs);
    if (m_samples.size() > kTrendSamples)
        m_samples.pop_front();
    if (m_samples.size() < kTrendSamples)
        return;

    // Least-squares slope of the smoothed delay over arrival time.
    double meanX = 0, meanY = 0;
    for (const auto& [x, y] : m_samples) {
        meanX += x;
        meanY += y;
    }
    meanX /= static_cast<double>(m_samples.size());
    meanY /= static_cast<double>(m_samples.size());
    double numerator = 0, denominator = 0;
    for (const auto& [x, y] : m_samples) {
        numerator += (x - meanX) * (y - meanY);
        denominator += (x - meanX) * (x - meanX);
    }
    const double slope = denominator > 0 ? numerator / denominator : 0;
    const double trend = slope * static_cast<double>(kTrendSamples) * kTrendGain;
    if (trend > kThresholdMs) {
        // Over twice in a row, so one late group does not cut the rate.
        m_usage = ++m_overuseCount >= 2 ? Usage::Over : m_usage;
    } else {
        m_overuseCount = 0;
        m_usage = trend < -kThresholdMs ? Usage::Under : Usage::Normal;
    }
}

void RembEstimator::updateEstimate(MediaTime now)
{
    const auto elapsed = m_lastUpdate ? now - *m_lastUpdate : MediaDuration::zero();
    m_lastUpdate = now;
    const uint64_t incoming = incomingBitrate(now);
    switch (m_usage) {
    case Usage::Over:
        if (incoming > 0)
            m_estimate = std::min(m_estimate, static_cast<uint64_t>(0.85 * static_cast<double>(incoming)));
        // Once cut, hold until the queue drains, then grow again.
        m_usage = Usage::Under;
        m_overuseCount = 0;
        break;
    case Usage::Under:
        break;
    case Usage::Normal: {
        const double seconds = std::min(std::chrono::duration<double>(elapsed).count(), 1.0);
        const double grown = static_cast<double>(m_estimate) * std::pow(1.08, seconds);
        const double ceiling = 1.5 * static_cast<double>(incoming) + 10000;
        if (grown <= ceiling || static_cast<double>(m_estimate) < ceiling)
            m_estimate = static_cast<uint64_t>(std::min(grown, std::max(ceiling, static_cast<double>(m_estimate))));
        break;
    }
    }
    m_estimate = std::clamp(m_estimate, m_config.minBitrate, m_config.maxBitrate);
}

std::optional<uint64_t> RembEstimator::rembDue(MediaTime now)
{
    if (!m_firstArrival)
        return std::nullopt;
    const bool periodic = !m_lastSent || now - *m_lastSent >= kRembInterval;
    const bool dropped = m_lastSentEstimate > 0 && m_estimate * 100 < m_lastSentEstimate * 97 && now - *m_lastSent >= kUrgentRembGap;
    if (!periodic && !dropped)
        return std::nullopt;
    m_lastSent = now;
    m_lastSentEstimate = m_estimate;
    return m_estimate;
}

}
