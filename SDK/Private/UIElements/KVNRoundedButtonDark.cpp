#include "Private/UIElements/KVNRoundedButtonDark.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNUICustomization.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "public/KavoniAppearance.h"

void KVNRoundedButtonDark::initWithFrame(CGRect frame)
{
    UIButton::initWithFrame(frame);
    setUp();
}

void KVNRoundedButtonDark::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto appearance = KavoniAppearance::sharedAppearance();
    setTitleColor_forState(appearance->photoIdentRetakeButtonTextColor(), UIControlStateNormal);
    titleLabel()->setFont(KVNExtensions::mediumFontOfSize(17));
    titleLabel()->setLineBreakMode(NSLineBreakByTruncatingTail);
    titleLabel()->setMinimumScaleFactor(0.5);
    titleLabel()->setAdjustsFontSizeToFitWidth(true);
    setContentEdgeInsets(UIEdgeInsetsMake(10, 15, 10, 15));
    setBackgroundColor(appearance->photoIdentRetakeButtonBackgroundColor());
    layer()->setCornerRadius(appearance->cornerRadius());
    kvn::sendSetupCompleteIfAnswered(this);
}

void KVNRoundedButtonDark::setTitleColor_forState(const std::shared_ptr<UIColor>& color, UIControlState state)
{
    UIButton::setTitleColor_forState(color, state);
    if (state == UIControlStateNormal)
        UIButton::setTitleColor_forState(color ? color->colorWithAlphaComponent(0.8) : nullptr, UIControlStateHighlighted);
}

void KVNRoundedButtonDark::setHighlighted(bool highlighted)
{
    UIButton::setHighlighted(highlighted);
    auto base = KavoniAppearance::sharedAppearance()->photoIdentRetakeButtonBackgroundColor();
    setBackgroundColor(highlighted ? KVNExtensions::colorByAdjustingBrightnessWithOffset(base, -0.12) : base);
}

void KVNRoundedButtonDark::tintColorDidChange()
{
    UIButton::tintColorDidChange();
    if (tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed)
        setBackgroundColor(UIColor::lightGrayColor());
    else
        setHighlighted(isHighlighted());
}
