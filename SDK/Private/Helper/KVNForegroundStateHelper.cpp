#include "Private/Helper/KVNForegroundStateHelper.h"

#include "Foundation/NSNotificationCenter.h"
#include "UIKit/UIApplication.h"

KVNForegroundStateHelper::~KVNForegroundStateHelper()
{
    unregisterFromNotifications();
}

void KVNForegroundStateHelper::registerForNotifications()
{
    if (!m_observers.empty())
        return;
    auto center = NSNotificationCenter::defaultCenter();
    std::weak_ptr<KVNForegroundStateHelper> weakSelf = weak_from_this();
    m_observers.push_back(center->addObserverForName_object_queue_usingBlock(
        UIApplicationDidEnterBackgroundNotification, nullptr, nullptr, [weakSelf](const NSNotification&) {
            if (auto self = weakSelf.lock())
                self->didEnterBackground();
        }));
    m_observers.push_back(center->addObserverForName_object_queue_usingBlock(
        UIApplicationWillEnterForegroundNotification, nullptr, nullptr, [weakSelf](const NSNotification&) {
            if (auto self = weakSelf.lock())
                self->willEnterForeground();
        }));
}

void KVNForegroundStateHelper::unregisterFromNotifications()
{
    if (m_observers.empty())
        return;
    auto center = NSNotificationCenter::defaultCenter();
    for (const auto& observer : m_observers)
        center->removeObserver(observer);
    m_observers.clear();
}

void KVNForegroundStateHelper::didEnterBackground()
{
    if (auto delegate = m_delegate.lock())
        delegate->didEnterBackground();
    m_isInForeground = false;
}

void KVNForegroundStateHelper::willEnterForeground()
{
    if (auto delegate = m_delegate.lock())
        delegate->willEnterForeground();
    m_isInForeground = true;
}
