#include "Private/UIElements/KVNSquareButton.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNUICustomization.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "public/KavoniAppearance.h"

void KVNSquareButton::initWithFrame(CGRect frame)
{
    UIButton::initWithFrame(frame);
    setUp();
}

void KVNSquareButton::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    layer()->setCornerRadius(0);
    titleLabel()->setFont(KVNExtensions::mediumFontOfSize(17));
    titleLabel()->setMinimumScaleFactor(0.5);
    titleLabel()->setAdjustsFontSizeToFitWidth(true);
    titleLabel()->setTextColor(UIColor::whiteColor());
    setContentEdgeInsets(UIEdgeInsetsZero);
    setBackgroundColor(KavoniAppearance::sharedAppearance()->headlineColor());
    setTitleColor_forState(UIColor::grayColor(), UIControlStateDisabled);
    kvn::sendSetupCompleteIfAnswered(this);
}

void KVNSquareButton::setEnabled_animated(bool enabled, bool)
{
    UIButton::setEnabled(enabled);
    setBackgroundColor(enabled ? KavoniAppearance::sharedAppearance()->headlineColor()
                               : UIColor::colorWithRed_green_blue_alpha(172.0 / 255, 172.0 / 255, 172.0 / 255, 1));
}

void KVNSquareButton::scaleFactor(CGFloat factor) { titleLabel()->setMinimumScaleFactor(factor); }

void KVNSquareButton::setToSmallFont() { titleLabel()->setFont(KVNExtensions::lightFontOfSize(10)); }
