#pragma once
// The receiving side of retransmission (RFC 4585 generic NACK): notes the sequence numbers
// missing from one remote source and says which to ask for again, and when. A number is
// asked for as soon as the gap shows, then again each round trip (at least `minRetryGap`
// apart) until it comes or `maxRetries` requests have gone out; numbers more than `maxAge`
// behind the newest are given up. A gap wider than `maxMissing` is not asked for packet by
// packet: the list is cleared and `keyFrameRequested` turns on, since a key frame is then
// the cheaper repair. Numbers the frame assembler has given up (it moved past them) are no
// longer asked for: a packet that can no longer be used is not worth a request or a resend.
// Not thread-safe: the receive path of one stream owns it; time is passed in.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "MediaStack/Rtp/MediaTime.h"
#include "MediaStack/Rtp/SequenceUnwrapper.h"

namespace mediastack::rtp {

class NackGenerator {
public:
    struct Config {
        size_t maxMissing = 300;
        int64_t maxAge = 1000;
        int maxRetries = 10;
        MediaDuration minRetryGap = std::chrono::milliseconds(20);
        // Used until the reporter has measured a round trip.
        MediaDuration defaultRoundTrip = std::chrono::milliseconds(100);
    };

    NackGenerator();
    explicit NackGenerator(Config config);

    void packetReceived(uint16_t sequenceNumber);
    // The numbers to list in a NACK now; each is counted as asked for.
    std::vector<uint16_t> due(MediaTime now, std::optional<MediaDuration> roundTripTime);

    // Stops asking for the numbers before `sequenceNumber` (within half the number range
    // behind the newest).
    void giveUpBefore(uint16_t sequenceNumber);

    size_t missingCount() const { return m_missing.size(); }
    // True once after the missing list overflowed; reading it clears it.
    bool takeKeyFrameRequest();

private:
    struct Missing {
        int retries = 0;
        std::optional<MediaTime> lastAsked;
    };

    void forgetOlderThan(int64_t oldest);

    Config m_config;
    SequenceUnwrapper m_unwrapper;
    std::optional<int64_t> m_newest;
    std::map<int64_t, Missing> m_missing;
    bool m_keyFrameRequested = false;
};

}
