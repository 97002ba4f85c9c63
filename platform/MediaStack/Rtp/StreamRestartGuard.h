#pragma once
// Tells a far side restarting its stream (new random sequence numbers and timestamps) from a
// stray, replayed or forged packet far from where a receive buffer stands. A jump of the
// sequence numbers beyond the buffer's restart distance, either way, starts over only when
// the packet carries newer media than the last handed out (a restart with a fresh timestamp)
// or the packet after it follows on from it; otherwise it is dropped as late, so the same
// packets are never handed out twice and older media never plays again.
// Not thread-safe: one per receive buffer.
#include <cstdint>
#include <optional>

namespace mediastack::rtp {

class StreamRestartGuard {
public:
    enum class Verdict { Continue, Restart, Drop };

    // `distance` is the packet's number minus the one the buffer expects (unwrapped).
    Verdict judge(int64_t number, int64_t distance, uint32_t timestamp, int64_t restartDistance)
    {
        if (distance <= restartDistance && distance >= -restartDistance) {
            m_candidate.reset();
            return Verdict::Continue;
        }
        const bool newer = !m_lastTimestamp || static_cast<int32_t>(timestamp - *m_lastTimestamp) > 0;
        const bool followsOn = m_candidate && number == *m_candidate + 1;
        if (newer || followsOn) {
            // The last media handed out stays the mark: media held but not yet handed out
            // when the restart came must not let an older packet through after it.
            m_candidate.reset();
            return Verdict::Restart;
        }
        m_candidate = number;
        return Verdict::Drop;
    }
    void handedOut(uint32_t timestamp) { m_lastTimestamp = timestamp; }
    // For a new source: nothing of the old one counts any more.
    void reset()
    {
        m_lastTimestamp.reset();
        m_candidate.reset();
    }

private:
    std::optional<uint32_t> m_lastTimestamp;
    std::optional<int64_t> m_candidate;
};

}
