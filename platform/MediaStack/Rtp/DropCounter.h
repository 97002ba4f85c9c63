#pragma once
// Counts of dropped packets by reason (DropReason), for the log line a stream writes now and
// then. Not thread-safe: each stream's receive path owns one.
#include <array>
#include <cstdint>
#include <string>

#include "MediaStack/Rtp/DropReason.h"

namespace mediastack::rtp {

class DropCounter {
public:
    void add(DropReason reason) { ++m_counts[static_cast<size_t>(reason)]; }
    uint64_t count(DropReason reason) const { return m_counts[static_cast<size_t>(reason)]; }
    uint64_t total() const;
    // "rtp: version is not 2: 3, duplicate packet: 1"; empty when nothing was dropped.
    std::string summary() const;
    void reset() { m_counts.fill(0); }

private:
    std::array<uint64_t, dropReasonCount> m_counts {};
};

}
