#pragma once
// A shared_ptr that the media stack's threads load and replace. Each load hands out a
// reference of its own, so a thread may go on using the object while another replaces or
// clears the slot; the object goes with the last reference, wherever that is.
// A lock rather than std::atomic<std::shared_ptr>: libstdc++ 12 releases that one's inner
// lock after a load without ordering, which ThreadSanitizer rightly reports as a race. The
// lock is held for a pointer copy only; a replaced object is released outside it.
#include <memory>
#include <mutex>
#include <utility>

namespace kvn::codecs {

template <class T>
class SharedSlot {
public:
    std::shared_ptr<T> load() const
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_value;
    }

    void store(std::shared_ptr<T> value)
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            std::swap(m_value, value);
        }
        // `value` now holds the replaced object, released here, outside the lock.
    }

private:
    mutable std::mutex m_lock;
    std::shared_ptr<T> m_value;
};

}
