#include "Private/UIElements/KVNRoundedFilledLabel.h"

#include <algorithm>

#include "public/KavoniAppearance.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"

void KVNRoundedFilledLabel::setUp()
{
    KVNMediumLabel::setUp();
    setFontSize(17);
    setBackgroundColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
    setTextAlignment(NSTextAlignmentCenter);
    setTextColor(UIColor::whiteColor());
}

void KVNRoundedFilledLabel::setBounds(CGRect bounds)
{
    layer()->setMasksToBounds(true);
    layer()->setCornerRadius(static_cast<float>(std::min(bounds.size.width, bounds.size.height)) / 2.0f);
    KVNMediumLabel::setBounds(bounds);
}

void KVNRoundedFilledLabel::tintColorDidChange()
{
    UILabel::tintColorDidChange();
    if (tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed)
        setBackgroundColor(UIColor::lightGrayColor());
    else
        setBackgroundColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
}
