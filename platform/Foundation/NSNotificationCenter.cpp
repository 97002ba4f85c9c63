#include "Foundation/NSNotificationCenter.h"

#include <algorithm>

bool NSNotificationObserver::isActive() const
{
    std::lock_guard lock(m_mutex);
    return m_active;
}

std::shared_ptr<NSNotificationCenter> NSNotificationCenter::defaultCenter()
{
    static std::shared_ptr<NSNotificationCenter> center = std::make_shared<NSNotificationCenter>();
    return center;
}

std::shared_ptr<NSNotificationObserver> NSNotificationCenter::addObserverForName_object_queue_usingBlock(
    const std::string& name, const void* object, dispatch_queue_t queue, std::function<void(const NSNotification&)> block)
{
    auto observer = std::make_shared<NSNotificationObserver>(name, object, std::move(queue), std::move(block), nullptr);
    std::lock_guard lock(m_mutex);
    m_observers.push_back(observer);
    return observer;
}

void NSNotificationCenter::addObserver_selector_name_object(const void* observer, std::function<void(const NSNotification&)> selector,
                                                            const std::string& name, const void* object)
{
    auto entry = std::make_shared<NSNotificationObserver>(name, object, nullptr, std::move(selector), observer);
    std::lock_guard lock(m_mutex);
    m_observers.push_back(entry);
}

void NSNotificationCenter::removeObserver(const std::shared_ptr<NSNotificationObserver>& observer)
{
    if (!observer)
        return;
    std::shared_ptr<NSNotificationObserver> removed;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find(m_observers.begin(), m_observers.end(), observer);
        if (it == m_observers.end())
            return;
        removed = *it;
        m_observers.erase(it);
    }
    removed->deactivate();
}

void NSNotificationCenter::removeObserver(const void* observer)
{
    removeObserver_name_object(observer, std::string(), nullptr);
}

void NSNotificationCenter::removeObserver_name_object(const void* observer, const std::string& name, const void* object)
{
    if (!observer)
        return;
    std::vector<std::shared_ptr<NSNotificationObserver>> removed;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::stable_partition(m_observers.begin(), m_observers.end(), [&](const auto& entry) {
            bool matches = entry->m_owner == observer && (name.empty() || entry->m_name == name) &&
                           (object == nullptr || entry->m_object == object);
            return !matches;
        });
        removed.assign(it, m_observers.end());
        m_observers.erase(it, m_observers.end());
    }
    for (auto& entry : removed)
        entry->deactivate();
}

void NSNotificationCenter::postNotificationName_object_userInfo(const std::string& name, const void* object, NSDictionary userInfo)
{
    postNotification(NSNotification(name, object, std::move(userInfo)));
}

void NSNotificationCenter::postNotification(const NSNotification& notification)
{
    std::vector<std::shared_ptr<NSNotificationObserver>> matching;
    {
        std::lock_guard lock(m_mutex);
        for (auto& entry : m_observers) {
            if (!entry->m_name.empty() && entry->m_name != notification.name())
                continue;
            if (entry->m_object != nullptr && entry->m_object != notification.object())
                continue;
            matching.push_back(entry);
        }
    }
    for (auto& entry : matching) {
        // An observer removed by an earlier observer of this same post is not called.
        if (!entry->isActive())
            continue;
        if (!entry->m_queue || entry->m_queue->isCurrent()) {
            if (entry->m_block)
                entry->m_block(notification);
            continue;
        }
        entry->m_queue->async([entry, notification] {
            if (entry->isActive() && entry->m_block)
                entry->m_block(notification);
        });
    }
}
