#include "Private/UIElements/KVNRoundedView.h"

#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"

void KVNRoundedView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setBackgroundColor(UIColor::whiteColor());
    layer()->setCornerRadius(2);
    layer()->setShadowColor(UIColor::blackColor()->colorWithAlphaComponent(0.5)->CGColor());
    layer()->setShadowOffset(CGSizeMake(0, 1));
    layer()->setShadowOpacity(1.0);
    layer()->setShadowRadius(5);
}
