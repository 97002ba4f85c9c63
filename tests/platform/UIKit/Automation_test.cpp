#include "UIKitTestFixture.h"

#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/Automation/ViewTreeDump.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIPanGestureRecognizer.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITextField.h"

using Automation::Driver;
using Automation::ViewFinder;

namespace {

struct DigitsOnly : UITextFieldDelegate {
    int returns = 0;
    bool textField_shouldChangeCharactersInRange_replacementString(const std::shared_ptr<UITextField>&, NSRange,
                                                                   const std::string& string) override
    {
        return string.find_first_not_of("0123456789") == std::string::npos;
    }
    bool textFieldShouldReturn(const std::shared_ptr<UITextField>& field) override
    {
        ++returns;
        field->resignFirstResponder();
        return true;
    }
};

} // namespace

// A small screen: a title, a button, a code field and a panel with a tap and a pan.
class AutomationTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        auto screen = showBlankScreen();
        window = screen.window;
        root = screen.view;

        title = std::make_shared<UILabel>();
        title->initWithFrame(CGRectMake(20, 20, 280, 30));
        title->setText("Enter your code");
        root->addSubview(title);

        button = UIButton::buttonWithType(UIButtonTypeSystem);
        button->setFrame(CGRectMake(20, 400, 280, 44));
        button->setTitle_forState("Confirm", UIControlStateNormal);
        button->setAccessibilityIdentifier("confirm");
        button->addTarget_action_forControlEvents(
            nullptr, [this](const std::shared_ptr<UIControl>&) { ++confirms; }, UIControlEventTouchUpInside);
        root->addSubview(button);

        field = std::make_shared<UITextField>();
        field->initWithFrame(CGRectMake(20, 60, 280, 40));
        field->setPlaceholder("Code");
        field->setAccessibilityIdentifier("code");
        field->setDelegate(digits);
        root->addSubview(field);

        panel = std::make_shared<UIView>();
        panel->initWithFrame(CGRectMake(20, 120, 280, 200));
        panel->setAccessibilityLabel("Panel");
        root->addSubview(panel);
    }

    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIView> root, panel;
    std::shared_ptr<UILabel> title;
    std::shared_ptr<UIButton> button;
    std::shared_ptr<UITextField> field;
    std::shared_ptr<DigitsOnly> digits = std::make_shared<DigitsOnly>();
    int confirms = 0;
};

TEST_F(AutomationTest, FindsOnlyWhatAPersonCanSee)
{
    EXPECT_EQ(ViewFinder::viewWithText(window, "Enter your code"), title);
    EXPECT_EQ(ViewFinder::viewWithText(window, "Confirm"), button) << "the title label counts as its button";
    EXPECT_EQ(ViewFinder::viewWithAccessibilityLabel(window, "Confirm"), button);
    EXPECT_EQ(ViewFinder::viewWithText(window, "Code"), field) << "an empty field shows its placeholder";
    EXPECT_EQ(ViewFinder::viewWithAccessibilityIdentifier(window, "code"), field);
    EXPECT_EQ(ViewFinder::viewWithAccessibilityLabel(window, "Panel"), panel);

    field->setSecureTextEntry(true);
    field->setText("1234");
    EXPECT_EQ(ViewFinder::viewWithText(window, "1234"), nullptr) << "a secure field shows bullets only";
    EXPECT_EQ(ViewFinder::viewWithText(window, "\u2022\u2022\u2022\u2022"), field);

    // The front-most of two matches wins.
    auto cover = std::make_shared<UILabel>();
    cover->initWithFrame(CGRectMake(0, 0, 100, 20));
    cover->setText("Enter your code");
    root->addSubview(cover);
    EXPECT_EQ(ViewFinder::viewWithText(window, "Enter your code"), cover);

    struct Case {
        const char* why;
        std::function<void()> hide;
    };
    const Case cases[] = {
        {"hidden", [&] { cover->setHidden(true); }},
        {"inside a hidden superview", [&] { root->setHidden(true); }},
        {"nearly transparent", [&] { cover->setAlpha(0.005); }},
        {"without area", [&] { cover->setFrame(CGRectMake(0, 0, 100, 0)); }},
        {"outside the window", [&] { cover->setFrame(CGRectMake(0, 500, 100, 20)); }},
        {"clipped away by its superview",
         [&] {
             cover->setFrame(CGRectMake(0, 0, 100, 20)), panel->addSubview(cover), cover->setFrame(CGRectMake(0, 250, 100, 20)),
                 panel->setClipsToBounds(true);
         }},
    };
    for (const auto& c : cases) {
        c.hide();
        EXPECT_EQ(ViewFinder::viewWithText(window, "Enter your code"), root->isHidden() ? nullptr : title) << c.why;
        root->setHidden(false);
        cover->setHidden(false);
        cover->setAlpha(1);
    }
}

TEST_F(AutomationTest, TapGoesThroughTheHitTestAndRefusesWhatAPersonCouldNotTap)
{
    ASSERT_TRUE(Driver::tap(button));
    EXPECT_EQ(confirms, 1);

    // A tap recogniser on the panel, tapped through a label that lets touches through.
    int panelTaps = 0;
    auto tap = std::make_shared<UITapGestureRecognizer>();
    tap->initWithTarget_action(nullptr, [&](const std::shared_ptr<UIGestureRecognizer>& r) {
        ++panelTaps;
        EXPECT_EQ(r->locationInView(panel), CGPointMake(140, 100));
    });
    panel->addGestureRecognizer(tap);
    auto caption = std::make_shared<UILabel>();
    caption->initWithFrame(CGRectMake(0, 0, 280, 200));
    caption->setText("Tap here");
    panel->addSubview(caption);
    auto result = Driver::tap(ViewFinder::viewWithText(window, "Tap here"));
    EXPECT_TRUE(result) << result.message();
    EXPECT_EQ(panelTaps, 1);

    // Refusals send nothing and say why.
    auto cover = std::make_shared<UIView>();
    cover->initWithFrame(CGRectMake(0, 380, 320, 100));
    root->addSubview(cover);
    struct Case {
        std::shared_ptr<UIView> view;
        const char* says;
    };
    auto detached = UIButton::buttonWithType(UIButtonTypeCustom);
    const Case cases[] = {
        {button, "is covered by UIView"},
        {nullptr, "no view to tap"},
        {detached, "is not in a visible window"},
    };
    for (const auto& c : cases) {
        auto refused = Driver::tap(c.view);
        EXPECT_FALSE(refused);
        EXPECT_NE(refused.message().find(c.says), std::string::npos) << refused.message();
    }
    cover->removeFromSuperview();
    root->setUserInteractionEnabled(false);
    auto blocked = Driver::tap(button);
    EXPECT_EQ(blocked.message(), "tap: UIButton 'Confirm' #confirm is inside UIView, which takes no touches");
    root->setUserInteractionEnabled(true);
    button->setEnabled(false);
    auto disabled = Driver::tap(button);
    EXPECT_FALSE(disabled);
    EXPECT_EQ(disabled.message(), "tap: UIButton 'Confirm' #confirm is disabled");
    button->setHidden(true);
    EXPECT_NE(Driver::tap(button).message().find("is not visible"), std::string::npos);
    EXPECT_EQ(confirms, 1);
}

TEST_F(AutomationTest, TypeGoesToTheFirstResponderThroughItsDelegate)
{
    auto nothing = Driver::type("12");
    EXPECT_FALSE(nothing);
    EXPECT_NE(nothing.message().find("nothing takes typed keys"), std::string::npos);

    ASSERT_TRUE(Driver::tap(ViewFinder::viewWithText(window, "Code")));
    EXPECT_TRUE(kvn::SoftwareKeyboard::shared().isVisible());
    EXPECT_TRUE(Driver::type("1a2b3\b4"));
    EXPECT_EQ(field->text(), "124") << "letters refused by the delegate, the delete key took the 3";

    EXPECT_FALSE(Driver::type(std::string("\xE2\x82", 2))) << "not UTF-8: nothing typed";
    EXPECT_EQ(field->text(), "124");

    // The return key: the delegate resigns the field; the rest of the text finds no taker.
    auto rest = Driver::type("\n5");
    EXPECT_FALSE(rest);
    EXPECT_EQ(digits->returns, 1);
    EXPECT_FALSE(kvn::SoftwareKeyboard::shared().isVisible());
    EXPECT_EQ(field->text(), "124");

    // A return key that waits for text.
    field->setText("");
    field->setEnablesReturnKeyAutomatically(true);
    ASSERT_TRUE(field->becomeFirstResponder());
    auto disabledReturn = Driver::type("\n");
    EXPECT_FALSE(disabledReturn);
    EXPECT_NE(disabledReturn.message().find("return key"), std::string::npos);
    EXPECT_EQ(digits->returns, 1);
}

TEST_F(AutomationTest, SwipeDrivesAPanRecogniser)
{
    std::vector<CGPoint> translations;
    CGPoint velocity{};
    auto pan = std::make_shared<UIPanGestureRecognizer>();
    pan->initWithTarget_action(nullptr, [&](const std::shared_ptr<UIGestureRecognizer>& r) {
        auto p = std::static_pointer_cast<UIPanGestureRecognizer>(r);
        translations.push_back(p->translationInView(panel));
        velocity = p->velocityInView(panel);
    });
    panel->addGestureRecognizer(pan);

    auto result = Driver::swipe(window, CGPointMake(160, 300), CGPointMake(160, 140), 4, 0.2);
    ASSERT_TRUE(result) << result.message();
    EXPECT_EQ(translations,
              (std::vector{CGPointMake(0, -40), CGPointMake(0, -80), CGPointMake(0, -120), CGPointMake(0, -160), CGPointMake(0, -160)}));
    EXPECT_NEAR(velocity.y, -800, 1e-6) << "40 points each 0.05 s";

    for (int steps : {0, -1, Driver::kMaximumSwipeSteps + 1})
        EXPECT_FALSE(Driver::swipe(window, CGPointMake(160, 300), CGPointMake(160, 140), steps)) << steps;
    EXPECT_FALSE(Driver::swipe(window, CGPointMake(NAN, 300), CGPointMake(160, 140), 3));
    EXPECT_FALSE(Driver::swipe(window, CGPointMake(-5, 300), CGPointMake(160, 140), 3)) << "outside the window";
    EXPECT_EQ(translations.size(), 5u);
}

TEST_F(AutomationTest, TreeDumpShowsWhatAScreenHolds)
{
    button->setAlpha(0.5);
    panel->setHidden(true);
    field->setText("12\"3");
    root->layoutIfNeeded();
    std::string dump = Automation::ViewTreeDump::textOf(window);
    // The title label's frame comes from the text layout of the button's title.
    EXPECT_EQ(dump,
              "UIWindow (0, 0, 320, 480)\n"
              "  UIView (0, 0, 320, 480)\n"
              "    UILabel (20, 20, 280, 30) text=\"Enter your code\"\n"
              "    UIButton (20, 400, 280, 44) text=\"Confirm\" id=\"confirm\" alpha=0.5\n"
              "      UIImageView (20, 400, 0, 0)\n"
              "      UILabel (133.5, 413, 53, 18) text=\"Confirm\"\n"
              "    UITextField (20, 60, 280, 40) text=\"12\\\"3\" id=\"code\"\n"
              "    UIView (20, 120, 280, 200) hidden\n");
    EXPECT_EQ(dump, Automation::ViewTreeDump::textOf(window)) << "stable";
}
