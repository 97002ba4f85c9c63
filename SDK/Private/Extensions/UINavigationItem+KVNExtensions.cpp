#include "Private/Extensions/UINavigationItem+KVNExtensions.h"

#include "Foundation/NSString.h"
#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "UIKit/UIBarButtonItem.h"

namespace KVNExtensions {

void setKavoniTitle(const std::shared_ptr<UINavigationItem>& item, const std::optional<std::string>& title)
{
    if (!item)
        return;
    const std::string defaultTitle = KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_DEFAULT");
    std::optional<std::string> shown = title;
    if (shown && NSString::hasPrefix(*shown, "NAVIGATION_ITEM_TITLE"))
        shown = defaultTitle;
    if (!isWellFilled(shown))
        shown = std::nullopt;
    item->setTitle(shown);
    if (shown == defaultTitle) {
        auto back = std::make_shared<UIBarButtonItem>();
        back->initWithTitle_style_target_action(
            KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_BACK_BUTTON_TITLE_DEFAULT"), UIBarButtonItemStyle::Plain,
            nullptr, nullptr);
        item->setBackBarButtonItem(back);
    }
}

std::optional<std::string> KavoniTitle(const std::shared_ptr<UINavigationItem>& item)
{
    if (!item)
        return std::nullopt;
    if (auto back = item->backBarButtonItem())
        return back->title();
    return item->title();
}

} // namespace KVNExtensions
