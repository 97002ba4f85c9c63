#include "Private/Extensions/UIViewController+KVNExtensions.h"

#include "Private/Extensions/UIApplication+KVNExtensions.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIView.h"
#include "public/KavoniAppearance.h"

namespace KVNExtensions {

namespace {

void setLibraryStatusBarStyle(UIStatusBarStyle style, bool animated)
{
    if (KavoniAppearance::sharedAppearance()->enableStatusBarStyleLightContent() &&
        !viewControllerBasedStatusBarAppearanceEnabled())
        UIApplication::sharedApplication()->setStatusBarStyle_animated(style, animated);
}

} // namespace

void removeViewController(const std::shared_ptr<UIViewController>& parent, const std::shared_ptr<UIViewController>& child)
{
    if (!parent || !child || child->parentViewController() != parent)
        return;
    child->removeFromParentViewController();
    child->didMoveToParentViewController(nullptr);
    // A view never loaded hangs in no tree; do not load it just to remove it.
    if (auto view = child->viewIfLoaded())
        view->removeFromSuperview();
}

void adjustStatusBarStyleAnimated(const std::shared_ptr<UIViewController>&, bool animated)
{
    setLibraryStatusBarStyle(UIStatusBarStyle::LightContent, animated);
}

void resetStatusBarStyleAnimated(const std::shared_ptr<UIViewController>&, bool animated)
{
    setLibraryStatusBarStyle(UIStatusBarStyle::Default, animated);
}

} // namespace KVNExtensions
