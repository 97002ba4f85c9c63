#pragma once
// The handlers of a synthetic source: added and removed from any thread, called in turn on
// the thread that delivers a frame, under the list's lock, so that removal waits for a
// handler that is running, as a source promises.
// Any thread.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace media::test {

template <class Frame>
class FrameHandlerList {
public:
    using Handler = std::function<void(const std::shared_ptr<Frame>&)>;

    uint64_t add(Handler handler)
    {
        std::lock_guard hold(m_lock);
        m_handlers.emplace(++m_lastToken, std::move(handler));
        return m_lastToken;
    }
    void remove(uint64_t token)
    {
        std::lock_guard hold(m_lock);
        m_handlers.erase(token);
    }
    void deliver(const std::shared_ptr<Frame>& frame)
    {
        std::lock_guard hold(m_lock);
        for (auto& [token, handler] : m_handlers)
            handler(frame);
    }
    size_t size() const
    {
        std::lock_guard hold(m_lock);
        return m_handlers.size();
    }

private:
    mutable std::mutex m_lock;
    uint64_t m_lastToken = 0;
    std::map<uint64_t, Handler> m_handlers;
};

} // namespace media::test
