#include "Private/UIElements/KVNActivityIndicatorView.h"

#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"

void KVNActivityIndicatorView::initWithActivityIndicatorStyle(UIActivityIndicatorViewStyle style)
{
    UIActivityIndicatorView::initWithActivityIndicatorStyle(style);
    auto theme = KavoniAppearance::sharedAppearance();
    UIActivityIndicatorView::setColor(theme->activityIndicatorColor() ? theme->activityIndicatorColor() : theme->primaryBrandColor());
}

void KVNActivityIndicatorView::setColor(std::shared_ptr<UIColor> color)
{
    auto themed = KavoniAppearance::sharedAppearance()->activityIndicatorColor();
    UIActivityIndicatorView::setColor(themed ? themed : std::move(color));
}

std::shared_ptr<KVNActivityIndicatorView> KVNActivityIndicatorView::addFullOverlayToView(const std::shared_ptr<UIView>& view)
{
    return addFullOverlayToView_color_andBg(view, nullptr, nullptr);
}

std::shared_ptr<KVNActivityIndicatorView> KVNActivityIndicatorView::addFullOverlayToView_color_andBg(
    const std::shared_ptr<UIView>& view, const std::shared_ptr<UIColor>& color, const std::shared_ptr<UIColor>& background)
{
    auto indicator = std::make_shared<KVNActivityIndicatorView>();
    indicator->initWithActivityIndicatorStyle(UIActivityIndicatorViewStyleWhiteLarge);
    indicator->setBackgroundColor(background ? background : UIColor::colorWithRed_green_blue_alpha(0.3, 0.3, 0.3, 0.3));
    if (color)
        indicator->setColor(color);
    if (view) {
        view->addSubview(indicator);
        Layout::ConstraintMaker::make(indicator, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(view); });
    }
    indicator->startAnimating();
    return indicator;
}

void KVNActivityIndicatorView::removeConveringIndicator(const std::shared_ptr<UIActivityIndicatorView>& indicator)
{
    if (!indicator)
        return;
    indicator->stopAnimating();
    indicator->removeFromSuperview();
}
