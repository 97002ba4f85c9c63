#include "Private/UIElements/KVNSubscriberView.h"

#include <algorithm>

#include "Private/UIElements/KVNGradientView.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"

void KVNSubscriberView::setUp()
{
    auto theme = KavoniAppearance::sharedAppearance();
    auto border = theme->subscriberBorderColor();
    layer()->setBorderColor(border ? border->CGColor() : nullptr);
    layer()->setBorderWidth(2.5);
    layer()->setCornerRadius(std::max<CGFloat>(theme->cornerRadius() - 1, 1));
    auto gradient = std::make_shared<KVNGradientView>();
    gradient->init();
    addSubview(gradient);
    Layout::ConstraintMaker::make(gradient, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(shared_from_this()).insets(UIEdgeInsetsMake(2, 2, 2, 2)); });
    KVNPublisherView::setUp();
    activityIndicator()->setColor(UIColor::whiteColor());
}
