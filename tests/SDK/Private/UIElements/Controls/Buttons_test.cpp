#include <gtest/gtest.h>

#include <memory>

#include "public/KavoniAppearance.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNImageTextButton.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNRoundedButtonDark.h"
#include "Private/UIElements/KVNSquareButton.h"
#include "Private/UIElements/KVNUICustomization.h"
#include "Private/UIElements/KVNUnderlineButton.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/UIApplication.h"
#include "Foundation/NSAttributedString.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "ThemedUIKitTest.h"

namespace {

using ButtonsTest = ThemedUIKitTest;

bool same(const std::shared_ptr<UIColor>& a, const std::shared_ptr<UIColor>& b)
{
    return a && b && *a == *b;
}

class RestyledButton : public KVNRoundedButton, public KVNUICustomization {
public:
    int setUpsCompleted = 0;
    void onSetupComplete() override { ++setUpsCompleted; }
};

TEST_F(ButtonsTest, ProceedButtonDisablesByAlphaUnlessTheThemeHasADisabledColour)
{
    auto button = std::make_shared<KVNRoundedButton>();
    button->initWithFrame(CGRectMake(0, 0, 200, 44));
    button->setEnabled_animated(false, true);
    EXPECT_FALSE(button->isEnabled());
    runFor(0.3);
    EXPECT_DOUBLE_EQ(button->alpha(), 0.5);
    button->setEnabled_animated(false, true);
    EXPECT_DOUBLE_EQ(button->alpha(), 0.5);
    button->setEnabled_animated(true, false);
    EXPECT_DOUBLE_EQ(button->alpha(), 1.0);

    KavoniAppearance::sharedAppearance()->setProceedButtonBackgroundColorDisabled(UIColor::grayColor());
    button->setEnabled_animated(false, true);
    EXPECT_DOUBLE_EQ(button->alpha(), 1.0);
    EXPECT_TRUE(same(button->backgroundColor(), UIColor::grayColor()));
}

TEST_F(ButtonsTest, PressingDarkensTheProceedColourAndReleasingRestoresIt)
{
    auto screen = showBlankScreen();
    auto button = std::make_shared<RestyledButton>();
    button->initWithFrame(CGRectMake(20, 20, 200, 44));
    EXPECT_EQ(button->setUpsCompleted, 1);
    screen.view->addSubview(button);
    auto brand = KVNExtensions::colorWithRGBHex(0xF95602);
    {
        Automation::Finger finger(screen.window);
        finger.down(CGPointMake(100, 40));
        EXPECT_TRUE(button->isHighlighted());
        EXPECT_TRUE(same(button->backgroundColor(), KVNExtensions::colorByAdjustingBrightnessWithOffset(brand, -0.12)));
        finger.up();
    }
    EXPECT_TRUE(same(button->backgroundColor(), brand));
}

TEST_F(ButtonsTest, UnderlineButtonOpensItsLinkOnlyOnceConfigured)
{
    auto screen = showBlankScreen();
    auto button = std::make_shared<KVNUnderlineButton>();
    button->initWithFrame(CGRectMake(20, 20, 200, 44));
    button->setTitle_forState("Terms and conditions", UIControlStateNormal);
    screen.view->addSubview(button);
    auto application = UIApplication::sharedApplication();
    const auto openedBefore = application->openedURLs().size();

    ASSERT_TRUE(Automation::Driver::tap(button));
    EXPECT_EQ(application->openedURLs().size(), openedBefore);

    button->configureHttpLink("https://example.org/first");
    button->configureHttpLink("https://example.org/terms");
    ASSERT_TRUE(Automation::Driver::tap(button));
    ASSERT_EQ(application->openedURLs().size(), openedBefore + 1);
    EXPECT_EQ(application->openedURLs().back(), "https://example.org/terms");

    auto title = button->attributedTitleForState(UIControlStateNormal);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->string(), "Terms and conditions");
    auto highlighted = button->attributedTitleForState(UIControlStateHighlighted);
    ASSERT_TRUE(highlighted);
    EXPECT_EQ(highlighted->string(), "Terms and conditions");
}

TEST_F(ButtonsTest, UnderlineButtonHeightGrowsWhenTheTitleWraps)
{
    const std::string longTitle = "I have read the terms and conditions and the privacy policy and agree to both of them";
    const CGFloat oneLine = KVNUnderlineButton::expectedHeightWithTitle_width("Terms", 300);
    EXPECT_GT(oneLine, 10);
    EXPECT_GT(KVNUnderlineButton::expectedHeightWithTitle_width(longTitle, 150), 2.5 * oneLine);
    EXPECT_DOUBLE_EQ(KVNUnderlineButton::expectedHeightWithTitle_width("Terms", 300), oneLine);
}


class RestyledDarkButton : public KVNRoundedButtonDark, public KVNUICustomization {
public:
    int setUpsCompleted = 0;
    void onSetupComplete() override { ++setUpsCompleted; }
};

class RestyledSquareButton : public KVNSquareButton, public KVNUICustomization {
public:
    int setUpsCompleted = 0;
    void onSetupComplete() override { ++setUpsCompleted; }
};

TEST_F(ButtonsTest, RetakeButtonDarkensItsOwnColourWhilePressedAndGreysWhenDimmed)
{
    auto screen = showBlankScreen();
    auto button = std::make_shared<RestyledDarkButton>();
    button->initWithFrame(CGRectMake(20, 20, 200, 44));
    EXPECT_EQ(button->setUpsCompleted, 1);
    button->setTitle_forState("Retake", UIControlStateNormal);
    screen.view->addSubview(button);
    auto retake = KVNExtensions::colorWithRGBHex(0x4A4A4A);
    EXPECT_TRUE(same(button->backgroundColor(), retake));
    EXPECT_TRUE(same(button->titleColorForState(UIControlStateNormal), UIColor::whiteColor()));
    EXPECT_TRUE(same(button->titleColorForState(UIControlStateHighlighted), UIColor::whiteColor()->colorWithAlphaComponent(0.8)));
    {
        Automation::Finger finger(screen.window);
        finger.down(CGPointMake(100, 40));
        EXPECT_TRUE(same(button->backgroundColor(), KVNExtensions::colorByAdjustingBrightnessWithOffset(retake, -0.12)));
        finger.up();
    }
    EXPECT_TRUE(same(button->backgroundColor(), retake));

    button->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
    EXPECT_TRUE(same(button->backgroundColor(), UIColor::lightGrayColor()));
    button->setTintAdjustmentMode(UIViewTintAdjustmentModeNormal);
    EXPECT_TRUE(same(button->backgroundColor(), retake));
}

TEST_F(ButtonsTest, RetakeColoursFollowTheThemeFallbacks)
{
    auto appearance = KavoniAppearance::sharedAppearance();
    appearance->setDefaultTextColor(UIColor::blueColor());
    // The proceed text colour counts only once the proceed background is themed too.
    appearance->setProceedButtonBackgroundColor(UIColor::redColor());
    appearance->setProceedButtonTextColor(UIColor::greenColor());
    auto button = std::make_shared<KVNRoundedButtonDark>();
    button->initWithFrame(CGRectMake(0, 0, 200, 44));
    EXPECT_TRUE(same(button->backgroundColor(), UIColor::blueColor()));
    EXPECT_TRUE(same(button->titleColorForState(UIControlStateNormal), UIColor::greenColor()));
}

TEST_F(ButtonsTest, SquareButtonShowsTheHeadlineColourOnlyWhileEnabled)
{
    auto appearance = KavoniAppearance::sharedAppearance();
    appearance->setPrimaryBrandColor(UIColor::blueColor());
    auto button = std::make_shared<RestyledSquareButton>();
    button->initWithFrame(CGRectMake(0, 0, 200, 44));
    EXPECT_EQ(button->setUpsCompleted, 1);
    EXPECT_TRUE(same(button->backgroundColor(), UIColor::blueColor())) << "the headline colour falls back to the brand";
    EXPECT_DOUBLE_EQ(button->layer()->cornerRadius(), 0);

    auto grey = UIColor::colorWithRed_green_blue_alpha(172.0 / 255, 172.0 / 255, 172.0 / 255, 1);
    button->setEnabled_animated(false, true);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_TRUE(same(button->backgroundColor(), grey)) << "no animation: the grey is there at once";
    EXPECT_DOUBLE_EQ(button->alpha(), 1.0);

    appearance->setHeadlineColor(UIColor::redColor());
    button->setEnabled(true);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(same(button->backgroundColor(), UIColor::redColor())) << "re-read from the theme on every change";
}

TEST_F(ButtonsTest, ImageTextButtonIs44HighWithItsCaptionKeptSmall)
{
    auto screen = showBlankScreen();
    auto button = UIButton::buttonWithType<KVNImageTextButton>(UIButtonTypeSystem);
    EXPECT_EQ(button->buttonType(), UIButtonTypeSystem);
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(16, 16), false, 1);
    CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 16, 16));
    auto icon = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    button->setImage_forState(icon, UIControlStateNormal);
    button->titleLabel()->setFont(KVNExtensions::mediumFontOfSize(30));
    button->setTitle_forState("Sign", UIControlStateNormal);
    EXPECT_DOUBLE_EQ(button->titleLabel()->font()->pointSize(), 11);
    screen.view->addSubview(button);
    Layout::ConstraintMaker::make(button, [&](Layout::ConstraintMaker& make) {
        make.left().top().equalTo(screen.view).offset(20);
    });
    screen.window->layoutIfNeeded();

    EXPECT_DOUBLE_EQ(button->frame().size.height, 44);
    auto image = button->imageView()->frame();
    auto title = button->titleLabel()->frame();
    // The insets pull the icon 4 left and push the caption 4 right: 8 apart, the icon 0 from
    // the left edge, both centred vertically.
    EXPECT_DOUBLE_EQ(CGRectGetMinX(image), 0);
    EXPECT_DOUBLE_EQ(CGRectGetMinX(title) - CGRectGetMaxX(image), 8);
    EXPECT_DOUBLE_EQ(CGRectGetMidY(image), 22);
    EXPECT_NEAR(CGRectGetMidY(title), 22, 0.5);
    EXPECT_TRUE(same(button->tintColor(), KVNExtensions::colorWithRGBHex(0x4A4A4A)->colorWithAlphaComponent(0.55)));
}

} // namespace
