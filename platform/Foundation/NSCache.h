#pragma once
// A cache of shared objects by key that lets go of entries by itself: beyond countLimit
// entries or totalCostLimit of cost (0: no limit) the least recently used go first. An
// entry may be gone at any time, so a miss is normal. Thread-safe: every operation takes
// the cache's lock.
#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

template <typename Object, typename Key = std::string>
class NSCache {
public:
    std::shared_ptr<Object> objectForKey(const Key& key)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_index.find(key);
        if (it == m_index.end())
            return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second); // most recently used
        return it->second->object;
    }

    // A null object removes the key.
    void setObject_forKey(std::shared_ptr<Object> object, const Key& key) { setObject_forKey_cost(std::move(object), key, 0); }
    void setObject_forKey_cost(std::shared_ptr<Object> object, const Key& key, size_t cost)
    {
        std::lock_guard lock(m_mutex);
        eraseLocked(key);
        if (!object)
            return;
        m_order.push_front(Entry{key, std::move(object), cost});
        m_index[key] = m_order.begin();
        m_totalCost += cost;
        evictLocked();
    }

    void removeObjectForKey(const Key& key)
    {
        std::lock_guard lock(m_mutex);
        eraseLocked(key);
    }

    void removeAllObjects()
    {
        std::lock_guard lock(m_mutex);
        m_order.clear();
        m_index.clear();
        m_totalCost = 0;
    }

    size_t countLimit() const
    {
        std::lock_guard lock(m_mutex);
        return m_countLimit;
    }
    void setCountLimit(size_t limit)
    {
        std::lock_guard lock(m_mutex);
        m_countLimit = limit;
        evictLocked();
    }
    size_t totalCostLimit() const
    {
        std::lock_guard lock(m_mutex);
        return m_totalCostLimit;
    }
    void setTotalCostLimit(size_t limit)
    {
        std::lock_guard lock(m_mutex);
        m_totalCostLimit = limit;
        evictLocked();
    }
    std::string name() const
    {
        std::lock_guard lock(m_mutex);
        return m_name;
    }
    void setName(std::string name)
    {
        std::lock_guard lock(m_mutex);
        m_name = std::move(name);
    }

    // How many entries are held now (for tests and logs).
    size_t count() const
    {
        std::lock_guard lock(m_mutex);
        return m_order.size();
    }

private:
    struct Entry {
        Key key;
        std::shared_ptr<Object> object;
        size_t cost;
    };

    void eraseLocked(const Key& key)
    {
        auto it = m_index.find(key);
        if (it == m_index.end())
            return;
        m_totalCost -= it->second->cost;
        m_order.erase(it->second);
        m_index.erase(it);
    }

    void evictLocked()
    {
        while (!m_order.empty() &&
               ((m_countLimit && m_order.size() > m_countLimit) || (m_totalCostLimit && m_totalCost > m_totalCostLimit)))
            eraseLocked(m_order.back().key);
    }

    mutable std::mutex m_mutex;
    std::list<Entry> m_order; // most recently used first
    std::unordered_map<Key, typename std::list<Entry>::iterator> m_index;
    size_t m_countLimit = 0;
    size_t m_totalCostLimit = 0;
    size_t m_totalCost = 0;
    std::string m_name;
};
