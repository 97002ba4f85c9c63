#pragma once
// Holds received audio packets of one source until their time to play, so that packets
// arriving unevenly or out of order play evenly and in order. A packet plays `targetDelay`
// after the time its RTP timestamp maps to; the mapping follows the earliest arrival seen,
// so a first packet that came late does not add its lateness to every later one.
// Lost packets are not waited for: a slot hands out the next packet there is, with the count
// of sequence numbers missing before it, and is due when the first missing one would have
// played, so that frames put in for the missing ones fill the hole on time. Who fills it is
// the stream's choice: a codec that conceals itself (RemoteStream::disablePLC) sees the gap
// in the sequence numbers; otherwise the stream conceals `lostBefore` frames.
// Packets behind the one last played, duplicates and, past `capacity`, the oldest packets
// are dropped and counted; a jump of the sequence numbers by more than `restartDistance`
// either way starts over when StreamRestartGuard takes it for the far side restarting its
// stream, and is dropped as late otherwise, so a replayed or stray packet never makes older
// sound play again.
// Not thread-safe: the audio receive path owns it; time is passed in.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "MediaStack/RTPPacket.h"
#include "MediaStack/Rtp/DropCounter.h"
#include "MediaStack/Rtp/MediaTime.h"
#include "MediaStack/Rtp/SequenceUnwrapper.h"
#include "MediaStack/Rtp/StreamRestartGuard.h"

namespace mediastack::rtp {

class AudioJitterBuffer {
public:
    struct Config {
        int clockRate = 48000;
        MediaDuration targetDelay = std::chrono::milliseconds(60);
        // One second of 20 ms packets.
        size_t capacity = 50;
        int64_t restartDistance = 1000;
    };

    struct Slot {
        std::shared_ptr<const RTPPacket> packet;
        uint32_t lostBefore = 0;
    };

    AudioJitterBuffer();
    explicit AudioJitterBuffer(Config config);

    // False when the packet was dropped (and counted in `drops`).
    bool insert(const std::shared_ptr<const RTPPacket>& packet, MediaTime arrival, DropCounter& drops);
    // The next packet once its slot is due, else none.
    std::optional<Slot> pop(MediaTime now);

    size_t size() const { return m_packets.size(); }
    // For a new source: starts over with nothing of the old one.
    void reset();

private:
    // Starts over on a restart of the same source, keeping what was handed out as the mark.
    void clearHeld();
    MediaTime playoutTime(uint32_t timestamp) const;

    Config m_config;
    SequenceUnwrapper m_unwrapper;
    std::map<int64_t, std::shared_ptr<const RTPPacket>> m_packets;
    std::optional<int64_t> m_nextExpected;
    std::optional<std::pair<int64_t, MediaTime>> m_lastPlayed;
    StreamRestartGuard m_restartGuard;
    // RTP timestamp and arrival of the packet that anchors the timestamp-to-time mapping.
    std::optional<std::pair<uint32_t, MediaTime>> m_anchor;
};

}
