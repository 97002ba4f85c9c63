#pragma once
// Turns 16-bit RTP sequence numbers into a 64-bit count that does not wrap, so that
// buffers can order and subtract them plainly. A number is taken as the nearer of the two
// readings around the newest one seen (forward or backward by less than half the range).
// Not thread-safe: one per receive path.
#include <cstdint>
#include <optional>

namespace mediastack::rtp {

class SequenceUnwrapper {
public:
    int64_t unwrap(uint16_t sequenceNumber)
    {
        if (!m_newest) {
            // Start well away from zero so that packets just before the first stay positive.
            m_newest = (int64_t { 1 } << 32) + sequenceNumber;
            return *m_newest;
        }
        const auto delta = static_cast<int16_t>(static_cast<uint16_t>(sequenceNumber - static_cast<uint16_t>(*m_newest)));
        const int64_t value = *m_newest + delta;
        if (value > *m_newest) {
            m_newest = value;
        }
        return value;
    }

    void reset() { m_newest.reset(); }

private:
    std::optional<int64_t> m_newest;
};

// Whether `a` comes after `b` in RTP sequence order (within half the number range).
inline bool isNewerSequenceNumber(uint16_t a, uint16_t b)
{
    const auto delta = static_cast<uint16_t>(a - b);
    return delta != 0 && delta < 0x8000;
}

}
