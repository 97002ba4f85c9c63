#include "Private/UIElements/KVNImageTextButton.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "public/KavoniAppearance.h"

void KVNImageTextButton::initWithFrame(CGRect frame)
{
    UIButton::initWithFrame(frame);
    setup();
}

void KVNImageTextButton::setup()
{
    KVN_ASSERT_MAIN_THREAD();
    setTintColor(KavoniAppearance::sharedAppearance()->defaultTextColor()->colorWithAlphaComponent(0.55));
    // The image and title move 4 points apart, and the content insets make room for that.
    setImageEdgeInsets(UIEdgeInsetsMake(0, -4, 0, 4));
    setTitleEdgeInsets(UIEdgeInsetsMake(0, 4, 0, -4));
    setContentEdgeInsets(UIEdgeInsetsMake(0, 4, 0, 4));
    setContentVerticalAlignment(UIControlContentVerticalAlignmentCenter);
    titleLabel()->setFont(KVNExtensions::regularFontOfSize(11));
    titleLabel()->setAdjustsFontSizeToFitWidth(true);
    titleLabel()->setMinimumScaleFactor(0.8);
    Layout::ConstraintMaker::make(std::static_pointer_cast<UIView>(shared_from_this()),
                                  [](Layout::ConstraintMaker& make) { make.height().equalTo(44); });
}

void KVNImageTextButton::setTitle_forState(const std::optional<std::string>& title, UIControlState state)
{
    UIButton::setTitle_forState(title, state);
    titleLabel()->setFont(KVNExtensions::regularFontOfSize(11));
}
