#pragma once
// Puts the received packets of the VP8 stream back into whole frames before the codec sees
// them. Packets may come out of order, twice, or late as retransmissions; the assembler
// holds them and hands out the packets of each whole frame (first packet with S set through
// the marker packet, no number missing, one timestamp), in sequence order, frame after frame,
// ready for the codec's depacketizer (Vp8PayloadPacketizer).
// A frame with a hole is waited for `maxWait` (time for a NACK to be answered), then given
// up: the next whole frame is handed out after the gap, which the depacketizer takes as lost
// data and answers by asking for a key frame. A whole key frame behind a hole is handed out
// at once, since nothing before it is needed any more. Held packets are capped in number and
// bytes; past either cap the oldest are given up the same way.
// A stuck head costs one look over the held packets only when something could have changed
// the answer (a packet that may complete a frame, time reaching the wait, a cap), not per
// packet: a burst of packets that complete nothing costs a map insertion each.
// Not thread-safe: the video receive path owns it; time is passed in.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "MediaStack/RTPPacket.h"
#include "MediaStack/Rtp/DropCounter.h"
#include "MediaStack/Rtp/MediaTime.h"
#include "MediaStack/Rtp/SequenceUnwrapper.h"
#include "MediaStack/Rtp/StreamRestartGuard.h"

namespace mediastack::rtp {

class Vp8FrameAssembler {
public:
    struct Config {
        MediaDuration maxWait = std::chrono::milliseconds(250);
        size_t maxPackets = 1024;
        size_t maxBytes = 2 * 1024 * 1024;
        // A jump of the sequence numbers by more than this is the far side restarting, when
        // StreamRestartGuard agrees; else the packet is dropped as late.
        int64_t restartDistance = 3000;
    };

    Vp8FrameAssembler();
    explicit Vp8FrameAssembler(Config config);

    // The packets of the frames this packet completes (or that its arrival lets go), in
    // sequence order; often none.
    std::vector<std::shared_ptr<const RTPPacket>> insert(const std::shared_ptr<const RTPPacket>& packet, MediaTime arrival, DropCounter& drops);
    // The frames released by time alone: call it now and then while packets are held.
    std::vector<std::shared_ptr<const RTPPacket>> poll(MediaTime now);

    // The sequence number of the next packet to hand out: everything before it is past.
    std::optional<uint16_t> nextSequenceNumber() const
    {
        return m_next ? std::optional<uint16_t>(static_cast<uint16_t>(*m_next)) : std::nullopt;
    }
    size_t heldPackets() const { return m_held.size(); }
    size_t heldBytes() const { return m_heldBytes; }
    // Frames given up since the start.
    uint64_t framesAbandoned() const { return m_framesAbandoned; }
    // Times the held packets were looked over for a frame to skip to, since the start.
    uint64_t lookOvers() const { return m_lookOvers; }

private:
    struct Held {
        std::shared_ptr<const RTPPacket> packet;
        MediaTime arrival;
        bool startOfFrame = false;
        bool keyFrame = false;
    };
    using HeldMap = std::map<int64_t, Held>;

    // The whole frame that begins at `start`: its last packet, or none.
    std::optional<HeldMap::const_iterator> wholeFrameAt(HeldMap::const_iterator start) const;
    void release(std::vector<std::shared_ptr<const RTPPacket>>& out, MediaTime now);
    void dropBefore(HeldMap::const_iterator end);
    void forget(HeldMap::const_iterator it);
    // Whether the packet at `it` might be the last one a whole frame waited for.
    bool mayCompleteAFrame(HeldMap::const_iterator it) const;
    void reset();

    Config m_config;
    SequenceUnwrapper m_unwrapper;
    HeldMap m_held;
    size_t m_heldBytes = 0;
    std::multiset<MediaTime> m_arrivals;
    // Set when a packet that may complete a frame came since the held packets were last looked over.
    bool m_maybeWhole = true;
    // The number after the last packet handed out.
    std::optional<int64_t> m_next;
    uint64_t m_framesAbandoned = 0;
    uint64_t m_lookOvers = 0;
    StreamRestartGuard m_restartGuard;
};

}
