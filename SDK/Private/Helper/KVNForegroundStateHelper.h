#pragma once
// Follows whether the app is in the foreground: between registerForNotifications and
// unregisterFromNotifications it hears the application's enter-background and
// enter-foreground notifications, tells its delegate and keeps isInForeground. The owner
// pairs the two calls; releasing the helper also ends the observation. Make it with
// std::make_shared. Main thread.
#include <memory>
#include <vector>

#include "Private/Helper/KVNForegroundStateDelegate.h"

class NSNotificationObserver;

class KVNForegroundStateHelper : public std::enable_shared_from_this<KVNForegroundStateHelper> {
public:
    KVNForegroundStateHelper() = default;
    ~KVNForegroundStateHelper();
    KVNForegroundStateHelper(const KVNForegroundStateHelper&) = delete;
    KVNForegroundStateHelper& operator=(const KVNForegroundStateHelper&) = delete;

    void init() {}

    // Registering again while registered changes nothing (each change is reported once).
    void registerForNotifications();
    void unregisterFromNotifications();

    bool isInForeground() const { return m_isInForeground; }

    std::shared_ptr<KVNForegroundStateDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<KVNForegroundStateDelegate> delegate) { m_delegate = std::move(delegate); }

private:
    void didEnterBackground();
    void willEnterForeground();

    std::weak_ptr<KVNForegroundStateDelegate> m_delegate;
    bool m_isInForeground = true;
    std::vector<std::shared_ptr<NSNotificationObserver>> m_observers;
};
