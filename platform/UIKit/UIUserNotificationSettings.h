#pragma once
// The kinds of user notification an app asks to show (badge, sound, alert) and the categories
// of actions it offers with them. The app hands one to UIApplication's
// registerUserNotificationSettings; the delegate later gets the settings the user granted.
// Immutable; any thread.
#include <memory>
#include <set>
#include <string>

using UIUserNotificationType = unsigned long;
inline constexpr UIUserNotificationType UIUserNotificationTypeNone = 0;
inline constexpr UIUserNotificationType UIUserNotificationTypeBadge = 1u << 0;
inline constexpr UIUserNotificationType UIUserNotificationTypeSound = 1u << 1;
inline constexpr UIUserNotificationType UIUserNotificationTypeAlert = 1u << 2;

class UIUserNotificationSettings {
public:
    // `categories` are the identifiers of the action categories; empty for none. Bits other than
    // the three types are dropped.
    static std::shared_ptr<UIUserNotificationSettings> settingsForTypes_categories(UIUserNotificationType types,
                                                                                  std::set<std::string> categories);

    UIUserNotificationSettings(UIUserNotificationType types, std::set<std::string> categories);

    UIUserNotificationType types() const { return m_types; }
    const std::set<std::string>& categories() const { return m_categories; }

private:
    const UIUserNotificationType m_types;
    const std::set<std::string> m_categories;
};
