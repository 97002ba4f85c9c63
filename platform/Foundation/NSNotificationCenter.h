#pragma once
// The process's notification centre. Observers register for a name, optionally for one
// sender only, and optionally with a queue to run on; posting delivers to each matching
// observer: on the posting thread when it gave no queue, else through its queue (at once
// when the poster is already on that queue). Removing an observer also stops deliveries
// already queued for it. Thread-safe.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Foundation/Dispatch.h"
#include "Foundation/NSNotification.h"

// The token an observation returns; hand it back to removeObserver to end the observation.
class NSNotificationObserver {
public:
    using Block = std::function<void(const NSNotification&)>;
    NSNotificationObserver(std::string name, const void* object, dispatch_queue_t queue, Block block, const void* owner)
        : m_name(std::move(name)), m_object(object), m_queue(std::move(queue)), m_block(std::move(block)), m_owner(owner) {}

    const std::string& name() const { return m_name; }
    const void* object() const { return m_object; }
    bool isActive() const;

private:
    friend class NSNotificationCenter;
    void deactivate()
    {
        std::lock_guard lock(m_mutex);
        m_active = false;
    }

    std::string m_name;      // empty: every name
    const void* m_object;    // nullptr: every sender
    dispatch_queue_t m_queue;
    Block m_block;
    const void* m_owner;     // for removeObserver(owner)
    mutable std::mutex m_mutex;
    bool m_active = true;
};

class NSNotificationCenter {
public:
    static std::shared_ptr<NSNotificationCenter> defaultCenter();

    // `name` empty: every notification. `object` nullptr: any sender. `queue` nullptr: the posting thread.
    std::shared_ptr<NSNotificationObserver> addObserverForName_object_queue_usingBlock(const std::string& name, const void* object,
                                                                                      dispatch_queue_t queue,
                                                                                      std::function<void(const NSNotification&)> block);
    // The target/selector form: `observer` identifies the registration (for removeObserver),
    // `selector` is what runs, on the posting thread.
    void addObserver_selector_name_object(const void* observer, std::function<void(const NSNotification&)> selector,
                                          const std::string& name, const void* object);

    void removeObserver(const std::shared_ptr<NSNotificationObserver>& observer);
    void removeObserver(std::nullptr_t) {}
    // Removes every registration made with this observer identity.
    void removeObserver(const void* observer);
    // Removes this identity's registrations for `name` (empty: all names) and `object` (nullptr: all senders).
    void removeObserver_name_object(const void* observer, const std::string& name, const void* object);

    void postNotificationName_object_userInfo(const std::string& name, const void* object = nullptr, NSDictionary userInfo = {});
    void postNotification(const NSNotification& notification);

private:
    std::mutex m_mutex;
    std::vector<std::shared_ptr<NSNotificationObserver>> m_observers;
};
