#include "Private/UIElements/KVNRoundedButton.h"

#include "Foundation/MainThreadChecker.h"
#include "public/KavoniAppearance.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNUICustomization.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"

void KVNRoundedButton::initWithFrame(CGRect frame)
{
    UIButton::initWithFrame(frame);
    setUp();
}

void KVNRoundedButton::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto appearance = KavoniAppearance::sharedAppearance();
    setTitleColor_forState(appearance->proceedButtonTextColor(), UIControlStateNormal);
    setTitleColor_forState(appearance->proceedButtonTextColorDisabled(), UIControlStateDisabled);
    titleLabel()->setFont(KVNExtensions::mediumFontOfSize(17));
    titleLabel()->setLineBreakMode(NSLineBreakByTruncatingTail);
    titleLabel()->setMinimumScaleFactor(0.5);
    titleLabel()->setAdjustsFontSizeToFitWidth(true);
    setContentEdgeInsets(UIEdgeInsetsMake(10, 15, 10, 15));
    setBackgroundColor(appearance->proceedButtonBackgroundColor());
    layer()->setCornerRadius(appearance->cornerRadius());
    setEnabled_animated(isEnabled(), false);
    kvn::sendSetupCompleteIfAnswered(this);
}

void KVNRoundedButton::setTitleColor_forState(const std::shared_ptr<UIColor>& color, UIControlState state)
{
    UIButton::setTitleColor_forState(color, state);
    if (state == UIControlStateNormal)
        UIButton::setTitleColor_forState(color ? color->colorWithAlphaComponent(0.8) : nullptr, UIControlStateHighlighted);
}

void KVNRoundedButton::setHighlighted(bool highlighted)
{
    UIButton::setHighlighted(highlighted);
    auto appearance = KavoniAppearance::sharedAppearance();
    auto base = appearance->proceedButtonBackgroundColor();
    if (!isEnabled() && appearance->proceedButtonBackgroundColorDisabled())
        base = appearance->proceedButtonBackgroundColorDisabled();
    setBackgroundColor(highlighted ? KVNExtensions::colorByAdjustingBrightnessWithOffset(base, -0.12) : base);
}

void KVNRoundedButton::tintColorDidChange()
{
    UIButton::tintColorDidChange();
    if (tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed)
        setBackgroundColor(UIColor::lightGrayColor());
    else
        setHighlighted(isHighlighted());
}

void KVNRoundedButton::setEnabled_animated(bool enabled, bool animated)
{
    auto appearance = KavoniAppearance::sharedAppearance();
    if (auto disabledColor = appearance->proceedButtonBackgroundColorDisabled()) {
        setBackgroundColor(enabled ? appearance->proceedButtonBackgroundColor() : disabledColor);
        UIButton::setEnabled(enabled);
        return;
    }
    double target = enabled ? 1.0 : 0.5;
    if (isEnabled() == enabled && alpha() == target)
        return;
    UIButton::setEnabled(enabled);
    if (animated)
        UIView::animateWithDuration_animations(0.2, [this, target] { setAlpha(target); });
    else
        setAlpha(target);
}
