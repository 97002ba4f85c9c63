#pragma once
// The handlers a source hands its frames to. Delivery holds the list's lock, so removal waits
// for a delivery that is running and a removed handler is never called again; a handler may
// remove itself (or another) from inside its call. Any thread.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace media {

template <class Frame>
class FrameHandlerList {
public:
    using Handler = std::function<void(const std::shared_ptr<Frame>&)>;

    // 0 (and nothing added) for an empty handler.
    uint64_t add(Handler handler)
    {
        if (!handler)
            return 0;
        std::lock_guard lock(m_mutex);
        m_handlers.emplace(++m_lastToken, std::move(handler));
        return m_lastToken;
    }

    void remove(uint64_t token)
    {
        std::lock_guard lock(m_mutex);
        m_handlers.erase(token);
    }

    void deliver(const std::shared_ptr<Frame>& frame)
    {
        std::lock_guard lock(m_mutex);
        // A copy, since a handler may change the list while it runs.
        auto handlers = m_handlers;
        for (auto& [token, handler] : handlers) {
            if (m_handlers.count(token))
                handler(frame);
        }
    }

    bool empty() const { return size() == 0; }
    size_t size() const
    {
        std::lock_guard lock(m_mutex);
        return m_handlers.size();
    }

private:
    mutable std::recursive_mutex m_mutex;
    std::map<uint64_t, Handler> m_handlers;
    uint64_t m_lastToken = 0;
};

} // namespace media
