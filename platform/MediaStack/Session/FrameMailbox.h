#pragma once
// The hand-over of captured frames from a source's capture thread to the media thread. It
// holds at most `capacity` frames: a frame put into a full box pushes the oldest one out, so
// a slow encoder sees the newest pictures and never a growing backlog. The capture side is
// told when the box was empty (the media thread then needs one wake-up to take what came);
// a box that already waits for its wake-up costs no further post.
// Any thread: put() from the capture thread, take() from the media thread.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace media {

template <class Frame>
class FrameMailbox {
public:
    struct Entry {
        std::shared_ptr<Frame> frame;
        // When the frame was captured, on the media thread's clock.
        double capturedAt = 0;
    };

    explicit FrameMailbox(size_t capacity) : m_capacity(capacity > 0 ? capacity : 1) {}

    // True when the taker must be woken for this frame.
    bool put(std::shared_ptr<Frame> frame, double capturedAt)
    {
        std::lock_guard hold(m_lock);
        m_entries.push_back(Entry{std::move(frame), capturedAt});
        while (m_entries.size() > m_capacity) {
            m_entries.pop_front();
            ++m_dropped;
        }
        if (m_wakeRequested)
            return false;
        m_wakeRequested = true;
        return true;
    }

    std::vector<Entry> take()
    {
        std::lock_guard hold(m_lock);
        m_wakeRequested = false;
        std::vector<Entry> out(std::make_move_iterator(m_entries.begin()), std::make_move_iterator(m_entries.end()));
        m_entries.clear();
        return out;
    }

    // Frames pushed out unseen since the start.
    uint64_t dropped() const
    {
        std::lock_guard hold(m_lock);
        return m_dropped;
    }

private:
    const size_t m_capacity;
    mutable std::mutex m_lock;
    std::deque<Entry> m_entries;
    bool m_wakeRequested = false;
    uint64_t m_dropped = 0;
};

} // namespace media
