#include <gtest/gtest.h>

#include <memory>

#include "public/KavoniAppearance.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNUICustomization.h"
#include "Private/UIElements/KVNUnderlineButton.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/UIApplication.h"
#include "Foundation/NSAttributedString.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/UIColor.h"
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

} // namespace
