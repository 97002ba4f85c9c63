// UIViewController's top and bottom layout guides (declared in UIViewController.h).
#include <algorithm>

#include "UIKit/UILayoutGuide.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"

namespace {

constexpr double statusBarHeight = 20.0;

// The view's top edge in the coordinates of the root of its tree (the window's, on screen).
double topInRoot(const UIView& view)
{
    double top = view.frame().origin.y;
    for (auto parent = view.superview(); parent; parent = parent->superview())
        top += parent->frame().origin.y - parent->bounds().origin.y;
    return top;
}

} // namespace

std::shared_ptr<UILayoutGuide> UIViewController::topLayoutGuide()
{
    if (!m_topLayoutGuide) {
        auto guide = std::make_shared<UILayoutGuide>();
        guide->init();
        guide->pinToOwningViewEdge(UILayoutGuide::Edge::Top, [weakSelf = weak_from_this()] {
            auto self = weakSelf.lock();
            auto view = self ? self->viewIfLoaded() : nullptr;
            if (!view)
                return 0.0;
            auto navigation = self->navigationController();
            double barsBottom = statusBarHeight + (navigation && !navigation->isNavigationBarHidden() ? UINavigationBarHeight : 0.0);
            return std::max(0.0, barsBottom - topInRoot(*view));
        });
        view()->addLayoutGuide(guide);
        m_topLayoutGuide = guide;
    }
    return m_topLayoutGuide;
}

std::shared_ptr<UILayoutGuide> UIViewController::bottomLayoutGuide()
{
    if (!m_bottomLayoutGuide) {
        auto guide = std::make_shared<UILayoutGuide>();
        guide->init();
        guide->pinToOwningViewEdge(UILayoutGuide::Edge::Bottom, [] { return 0.0; });
        view()->addLayoutGuide(guide);
        m_bottomLayoutGuide = guide;
    }
    return m_bottomLayoutGuide;
}
