#include "MediaStack/Rtp/Vp8FrameAssembler.h"

#include <algorithm>
#include <set>

#include "MediaStack/Rtp/Vp8PayloadDescriptor.h"

namespace mediastack::rtp {

Vp8FrameAssembler::Vp8FrameAssembler()
    : Vp8FrameAssembler(Config {})
{
}

Vp8FrameAssembler::Vp8FrameAssembler(Config config)
    : m_config(config)
{
}

void Vp8FrameAssembler::reset()
{
    m_unwrapper.reset();
    m_held.clear();
    m_heldBytes = 0;
    m_arrivals.clear();
    m_maybeWhole = true;
    m_next.reset();
}

void Vp8FrameAssembler::forget(HeldMap::const_iterator it)
{
    m_heldBytes -= it->second.packet->payload.size();
    m_arrivals.erase(m_arrivals.find(it->second.arrival));
}

bool Vp8FrameAssembler::mayCompleteAFrame(HeldMap::const_iterator it) const
{
    // A frame is whole from a start packet through a marker packet with no number missing:
    // the packet that completes it has its successor in or is the marker, and has its
    // predecessor in or is the start.
    const auto next = std::next(it);
    const bool endsOrJoinsNext = it->second.packet->marker || (next != m_held.end() && next->first == it->first + 1);
    const bool startsOrJoinsPrevious = it->second.startOfFrame || (it != m_held.begin() && std::prev(it)->first == it->first - 1);
    return endsOrJoinsNext && startsOrJoinsPrevious;
}

std::vector<std::shared_ptr<const RTPPacket>> Vp8FrameAssembler::insert(const std::shared_ptr<const RTPPacket>& packet, MediaTime arrival,
    DropCounter& drops)
{
    std::vector<std::shared_ptr<const RTPPacket>> out;
    if (!packet) {
        return out;
    }
    const auto descriptor = Vp8PayloadDescriptor::read(packet->payload);
    if (!descriptor) {
        drops.add(DropReason::BadPayload);
        return out;
    }
    int64_t number = m_unwrapper.unwrap(packet->sequenceNumber);
    const int64_t reference = m_next ? *m_next : (m_held.empty() ? number : m_held.begin()->first);
    switch (m_restartGuard.judge(number, number - reference, packet->timestamp, m_config.restartDistance)) {
    case StreamRestartGuard::Verdict::Continue:
        break;
    case StreamRestartGuard::Verdict::Drop:
        drops.add(DropReason::TooLate);
        return out;
    case StreamRestartGuard::Verdict::Restart:
        reset();
        number = m_unwrapper.unwrap(packet->sequenceNumber);
        break;
    }
    if (m_next && number < *m_next) {
        drops.add(DropReason::TooLate);
        return out;
    }
    if (m_held.count(number)) {
        drops.add(DropReason::Duplicate);
        return out;
    }
    const auto inserted = m_held.emplace(number, Held { packet, arrival, descriptor->startOfFrame, descriptor->keyFrame }).first;
    m_heldBytes += packet->payload.size();
    m_arrivals.insert(arrival);
    m_maybeWhole = m_maybeWhole || mayCompleteAFrame(inserted);
    release(out, arrival);
    return out;
}

std::vector<std::shared_ptr<const RTPPacket>> Vp8FrameAssembler::poll(MediaTime now)
{
    std::vector<std::shared_ptr<const RTPPacket>> out;
    release(out, now);
    return out;
}

std::optional<Vp8FrameAssembler::HeldMap::const_iterator> Vp8FrameAssembler::wholeFrameAt(HeldMap::const_iterator start) const
{
    if (start == m_held.end() || !start->second.startOfFrame) {
        return std::nullopt;
    }
    for (auto it = start;;) {
        if (it->second.packet->marker) {
            return it;
        }
        auto next = std::next(it);
        if (next == m_held.end() || next->first != it->first + 1 || next->second.packet->timestamp != start->second.packet->timestamp) {
            return std::nullopt;
        }
        it = next;
    }
}

void Vp8FrameAssembler::dropBefore(HeldMap::const_iterator end)
{
    std::set<uint32_t> frames;
    for (auto it = m_held.cbegin(); it != end; ++it) {
        frames.insert(it->second.packet->timestamp);
        forget(it);
    }
    const bool gapBefore = m_next && !m_held.empty() && m_held.begin()->first != *m_next;
    m_framesAbandoned += std::max<uint64_t>(frames.size(), gapBefore ? 1 : 0);
    m_held.erase(m_held.cbegin(), end);
    // The head moved on: what lies beyond it is to be looked over again.
    m_maybeWhole = true;
}

void Vp8FrameAssembler::release(std::vector<std::shared_ptr<const RTPPacket>>& out, MediaTime now)
{
    while (!m_held.empty()) {
        auto head = m_held.cbegin();
        const bool inOrder = !m_next || head->first == *m_next;
        if (inOrder) {
            if (auto last = wholeFrameAt(head)) {
                const auto end = std::next(*last);
                for (auto it = head; it != end; ++it) {
                    out.push_back(it->second.packet);
                    forget(it);
                }
                m_restartGuard.handedOut(head->second.packet->timestamp);
                m_next = (*last)->first + 1;
                m_held.erase(head, end);
                continue;
            }
        }

        const bool overCap = m_held.size() > m_config.maxPackets || m_heldBytes > m_config.maxBytes;
        const bool waitedEnough = now - *m_arrivals.begin() >= m_config.maxWait;
        if (!m_maybeWhole && !overCap && !waitedEnough) {
            return; // nothing came since the last look that could make a frame whole
        }
        m_maybeWhole = false;
        m_lookOvers++;

        // The head is stuck: look for the first whole frame and the first whole key frame
        // further on. A failed walk from one start fails at the same place for every start
        // inside it, so the scan steps past it: one pass over the held packets.
        std::optional<HeldMap::const_iterator> firstWhole;
        std::optional<HeldMap::const_iterator> firstKey;
        for (auto it = head; it != m_held.cend() && !firstKey;) {
            if (!it->second.startOfFrame) {
                ++it;
                continue;
            }
            auto start = it;
            auto last = wholeFrameAt(start);
            while (std::next(it) != m_held.cend() && std::next(it)->first == it->first + 1 && !it->second.packet->marker
                && std::next(it)->second.packet->timestamp == start->second.packet->timestamp) {
                ++it;
            }
            ++it;
            if (last) {
                if (!firstWhole) {
                    firstWhole = start;
                }
                if (start->second.keyFrame) {
                    firstKey = start;
                }
            }
        }

        // Joined in the middle of a frame: its fragment is of no use, the first whole frame goes.
        if (!m_next && !head->second.startOfFrame && firstWhole) {
            dropBefore(*firstWhole);
            m_next = (*firstWhole)->first;
            continue;
        }
        if (firstKey) {
            dropBefore(*firstKey);
            m_next = (*firstKey)->first;
            continue;
        }
        if (!overCap && !waitedEnough) {
            return;
        }
        if (firstWhole) {
            dropBefore(*firstWhole);
            m_next = (*firstWhole)->first;
            continue;
        }
        // No whole frame to skip to: give up the fragments of the oldest frame.
        auto end = head;
        while (end != m_held.cend() && end->second.packet->timestamp == head->second.packet->timestamp) {
            ++end;
        }
        const int64_t after = std::prev(end)->first + 1;
        dropBefore(end);
        m_next = after;
    }
}

}
