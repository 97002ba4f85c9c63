#pragma once
// The sequence numbers the video codec's depacketizer sees. The frame assembler hands out
// packets in order, so the far side's numbers pass unchanged while they run on (gaps
// included: a gap is lost data the depacketizer must see). When the far side's numbering
// starts over (a restarted sender, a new source, a jump the assembler took as a restart)
// the depacketizer would take every later packet as older than the last one it saw and
// ignore them until the numbers caught up; across such a break the numbering handed on
// continues instead, with one number missing, so the depacketizer waits for a key frame.
// Not thread-safe: the video receive path owns it.
#include <cstdint>
#include <optional>

namespace media {

class DepacketizerSequence {
public:
    // Forward jumps beyond this are a break, as the frame assembler takes them.
    static constexpr int maxForwardJump = 3000;

    uint16_t map(uint16_t sequenceNumber)
    {
        uint16_t out = sequenceNumber;
        if (m_lastIn) {
            const int delta = static_cast<int16_t>(static_cast<uint16_t>(sequenceNumber - *m_lastIn));
            const bool broken = m_break || delta <= 0 || delta > maxForwardJump;
            out = static_cast<uint16_t>(*m_lastOut + (broken ? 2 : delta));
        }
        m_break = false;
        m_lastIn = sequenceNumber;
        m_lastOut = out;
        return out;
    }

    // The next number starts a new numbering (a new source).
    void startOver() { m_break = m_lastIn.has_value(); }

private:
    std::optional<uint16_t> m_lastIn;
    std::optional<uint16_t> m_lastOut;
    bool m_break = false;
};

} // namespace media
