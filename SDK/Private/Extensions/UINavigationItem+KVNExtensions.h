#pragma once
// Navigation titles of the library's screens. Screens pass a localized title; a title key
// that has no text (it comes back as "NAVIGATION_ITEM_TITLE...") shows the default title
// instead, and the default title brings the default back button with it. Main queue.
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UINavigationItem.h"

namespace KVNExtensions {

void setKavoniTitle(const std::shared_ptr<UINavigationItem>& item, const std::optional<std::string>& title);
// The back button's title when the item has a back button, else the item's title.
std::optional<std::string> KavoniTitle(const std::shared_ptr<UINavigationItem>& item);

} // namespace KVNExtensions
