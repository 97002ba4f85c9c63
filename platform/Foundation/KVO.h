#pragma once
// Key-value observation of one property: set() tells every observer the old and the new
// value, on the thread that called set() (after the value changed). An observation lasts as
// long as its token: release the token (or call invalidate()) to stop it. An observation
// ended while a change is being told is not told of it; one added then hears from the next.
// The property itself is not locked: set it on one thread (the main thread for models).
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class KVOObservation {
public:
    explicit KVOObservation(std::function<void()> end) : m_end(std::move(end)) {}
    ~KVOObservation() { invalidate(); }
    KVOObservation(const KVOObservation&) = delete;
    KVOObservation& operator=(const KVOObservation&) = delete;

    void invalidate()
    {
        std::function<void()> end;
        std::swap(end, m_end);
        if (end)
            end();
    }

private:
    std::function<void()> m_end;
};

template <class T>
class KVOProperty {
public:
    using Observer = std::function<void(const T& oldValue, const T& newValue)>;

    KVOProperty() : m_state(std::make_shared<State>()) {}
    explicit KVOProperty(T initial) : m_value(std::move(initial)), m_state(std::make_shared<State>()) {}
    KVOProperty(const KVOProperty&) = delete;
    KVOProperty& operator=(const KVOProperty&) = delete;

    const T& get() const { return m_value; }

    void set(T v)
    {
        T old = std::exchange(m_value, std::move(v));
        std::vector<std::shared_ptr<Observer>> observers;
        {
            std::lock_guard lock(m_state->mutex);
            for (auto& entry : m_state->observers)
                observers.push_back(entry.second);
        }
        for (auto& observer : observers) {
            if (isRegistered(observer))
                (*observer)(old, m_value);
        }
    }

    // `initial`: also call the observer once now, with the current value as both old and new.
    std::shared_ptr<KVOObservation> observe(Observer observer, bool initial = false)
    {
        auto shared = std::make_shared<Observer>(std::move(observer));
        uint64_t id;
        {
            std::lock_guard lock(m_state->mutex);
            id = m_state->nextId++;
            m_state->observers.emplace_back(id, shared);
        }
        std::weak_ptr<State> weakState = m_state;
        auto token = std::make_shared<KVOObservation>([weakState, id] {
            if (auto state = weakState.lock()) {
                std::lock_guard lock(state->mutex);
                std::erase_if(state->observers, [id](const auto& entry) { return entry.first == id; });
            }
        });
        if (initial)
            (*shared)(m_value, m_value);
        return token;
    }

    size_t observerCount() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->observers.size();
    }

private:
    struct State {
        std::mutex mutex;
        uint64_t nextId = 1;
        std::vector<std::pair<uint64_t, std::shared_ptr<Observer>>> observers;
    };

    bool isRegistered(const std::shared_ptr<Observer>& observer) const
    {
        std::lock_guard lock(m_state->mutex);
        for (auto& entry : m_state->observers)
            if (entry.second == observer)
                return true;
        return false;
    }

    T m_value{};
    std::shared_ptr<State> m_state;
};
