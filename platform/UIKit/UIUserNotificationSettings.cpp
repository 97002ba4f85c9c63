#include "UIKit/UIUserNotificationSettings.h"

namespace {

constexpr UIUserNotificationType kAllTypes = UIUserNotificationTypeBadge | UIUserNotificationTypeSound | UIUserNotificationTypeAlert;

} // namespace

std::shared_ptr<UIUserNotificationSettings> UIUserNotificationSettings::settingsForTypes_categories(UIUserNotificationType types,
                                                                                                  std::set<std::string> categories)
{
    return std::make_shared<UIUserNotificationSettings>(types, std::move(categories));
}

UIUserNotificationSettings::UIUserNotificationSettings(UIUserNotificationType types, std::set<std::string> categories)
    : m_types(types & kAllTypes), m_categories(std::move(categories))
{
}
