#include "MediaStack/Rtp/DropCounter.h"

namespace mediastack::rtp {

uint64_t DropCounter::total() const
{
    uint64_t sum = 0;
    for (auto c : m_counts) {
        sum += c;
    }
    return sum;
}

std::string DropCounter::summary() const
{
    std::string out;
    for (size_t i = 0; i < m_counts.size(); ++i) {
        if (m_counts[i] == 0) {
            continue;
        }
        if (!out.empty()) {
            out += ", ";
        }
        out += dropReasonName(static_cast<DropReason>(i));
        out += ": ";
        out += std::to_string(m_counts[i]);
    }
    return out;
}

}
