#include "Private/Helper/KVNPushFromTop.h"

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIViewController.h"

namespace KVNExtensions {

bool isTopOfStack(const std::shared_ptr<UIViewController>& from)
{
    if (!from)
        return false;
    auto navigation = from->navigationController();
    if (!navigation)
        return false;
    auto top = navigation->topViewController();
    for (auto screen = from; screen; screen = screen->parentViewController())
        if (screen == top)
            return true;
    return false;
}

bool pushFromTop(const std::shared_ptr<UIViewController>& from, const std::shared_ptr<UIViewController>& next, bool animated)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!next || !isTopOfStack(from))
        return false;
    from->navigationController()->pushViewController_animated(next, animated);
    return true;
}

} // namespace KVNExtensions
