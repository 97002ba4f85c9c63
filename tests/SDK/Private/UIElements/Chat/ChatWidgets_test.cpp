#include <gtest/gtest.h>

#include <tuple>

#include "../../../../platform/UIKit/Snapshot.h"
#include "../../../../platform/UIKit/UIKitTestFixture.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/UIElements/KVNBadgeView.h"
#include "Private/UIElements/KVNChatButton.h"
#include "Private/UIElements/KVNChatFadeView.h"
#include "Private/UIElements/KVNChatInputView.h"
#include "Private/UIElements/KVNChatTextField.h"
#include "Private/UIElements/KVNMessageCell.h"
#include "Private/UIElements/KVNToast.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewTreeDump.h"
#include "UIKit/CAGradientLayer.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "public/KavoniAppearance.h"
#include "support/TestPicture.h"

namespace {

class ChatWidgetsTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        KavoniAppearance::resetSharedAppearanceForTesting();
    }

    // Writes the picture to test-output/chat/<name>.png and answers its pixels.
    std::shared_ptr<UIImage> picture(const std::shared_ptr<UIView>& view, const std::string& name)
    {
        view->layoutIfNeeded();
        auto image = fixtures::snapshot(view);
        kvn::test::writeTestPicture("chat", name, image);
        return image;
    }

    static bool sameColor(const std::shared_ptr<UIColor>& a, const std::shared_ptr<UIColor>& b) { return a && b && a->isEqual(*b); }

    static std::shared_ptr<KVNMessage> agentMessage(const std::string& text)
    {
        auto message = std::make_shared<KVNMessage>();
        message->setText(text);
        message->setRemote(true);
        return message;
    }
};

TEST_F(ChatWidgetsTest, ChatButtonBadgeFollowsTheStoreItWatches)
{
    auto brand = KavoniAppearance::sharedAppearance()->primaryBrandColor();
    auto grey = KVNExtensions::colorWithRGBHex(0xCACACA);
    auto screen = showBlankScreen();
    auto button = std::make_shared<KVNChatButton>();
    button->init();
    screen.view->addSubview(button);
    screen.view->layoutIfNeeded();

    EXPECT_TRUE(button->badgeView()->isHidden());
    EXPECT_TRUE(sameColor(button->tintColor(), grey));
    EXPECT_EQ(button->frame().size.width, 50);
    EXPECT_EQ(button->frame().size.height, 50);

    auto store = std::make_shared<KVNMessageProvider>();
    button->setMessageProvider(store);
    for (int i = 0; i < 3; ++i)
        store->didReceiveRemoteMessage(agentMessage("hello"));
    EXPECT_FALSE(button->badgeView()->isHidden());
    EXPECT_EQ(button->badgeView()->badgeLabel()->text(), "3");
    EXPECT_TRUE(sameColor(button->tintColor(), brand));
    EXPECT_NE(Automation::ViewTreeDump::textOf(button).find("3"), std::string::npos);

    auto image = picture(screen.view, "ChatButton-Badge3");
    auto badgeOrigin = button->badgeView()->convertPoint_toView(CGPointZero, screen.view);
    auto badgePixel = fixtures::pixel(*image, size_t(badgeOrigin.x + 7), size_t(badgeOrigin.y + 2));
    CGFloat r, g, b, a;
    brand->getRed_green_blue_alpha(&r, &g, &b, &a);
    EXPECT_NEAR(badgePixel.r, r * 255, 3);
    EXPECT_NEAR(badgePixel.g, g * 255, 3);
    auto face = button->convertPoint_toView(CGPointZero, screen.view);
    auto facePixel = fixtures::pixel(*image, size_t(face.x + 25), size_t(face.y + 3));
    EXPECT_EQ(facePixel.r, 255);

    // The chat screen opened: the count goes to 0 and the badge with it.
    struct Screen : KVNMessageProviderDelegate {
        void messageProvider_didReceiveRemoteMessage(const std::shared_ptr<KVNMessageProvider>&,
                                                     const std::shared_ptr<KVNMessage>&) override
        {
        }
    };
    auto chatScreen = std::make_shared<Screen>();
    store->setDelegate(chatScreen);
    EXPECT_TRUE(button->badgeView()->isHidden());
    EXPECT_TRUE(sameColor(button->tintColor(), grey));
    picture(screen.view, "ChatButton-NoBadge");

    // A replaced store is no longer followed, and a released button leaves its store alone.
    store->setDelegate({});
    auto next = std::make_shared<KVNMessageProvider>();
    button->setMessageProvider(next);
    store->didReceiveRemoteMessage(agentMessage("old"));
    EXPECT_TRUE(button->badgeView()->isHidden());
    next->didReceiveRemoteMessage(agentMessage("new"));
    EXPECT_EQ(button->badgeView()->badgeLabel()->text(), "1");
    button->removeFromSuperview();
    button.reset();
    next->didReceiveRemoteMessage(agentMessage("after"));
    EXPECT_EQ(next->newMessagesCount(), 2);
}

TEST_F(ChatWidgetsTest, BadgeHidesCountsBelowOne)
{
    auto badge = std::make_shared<KVNBadgeView>();
    badge->init();
    for (long count : {0L, -1L, -100L}) {
        badge->setBadge(5);
        badge->setBadge(count);
        EXPECT_TRUE(badge->isHidden()) << count;
        EXPECT_EQ(badge->badge(), count);
    }
    badge->setBadge(12);
    EXPECT_FALSE(badge->isHidden());
    EXPECT_EQ(badge->badgeLabel()->text(), "12");
}

TEST_F(ChatWidgetsTest, SendButtonFollowsWhatIsTyped)
{
    auto screen = showBlankScreen();
    auto bar = std::make_shared<KVNChatInputView>();
    bar->initWithFrame(CGRectMake(0, 100, 320, 40));
    screen.view->addSubview(bar);
    int sends = 0;
    bar->sendButton()->addTarget_action_forControlEvents(
        bar, [&](const std::shared_ptr<UIControl>&) { ++sends; }, UIControlEventTouchUpInside);
    screen.view->layoutIfNeeded();
    EXPECT_EQ(bar->textField()->frame(), CGRectMake(5, 5, bar->textField()->frame().size.width, 30));
    EXPECT_EQ(bar->sendButton()->frame().origin.x, CGRectGetMaxX(bar->textField()->frame()) + 10);
    EXPECT_EQ(CGRectGetMaxX(bar->sendButton()->frame()), 310);
    EXPECT_FALSE(bar->sendButton()->isEnabled());
    picture(screen.view, "InputBar-Empty");

    ASSERT_TRUE(Automation::Driver::tap(bar->textField()));
    ASSERT_TRUE(Automation::Driver::type("   "));
    EXPECT_FALSE(bar->sendButton()->isEnabled()) << "blanks are nothing to send";
    EXPECT_FALSE(Automation::Driver::tap(bar->sendButton()));
    EXPECT_EQ(sends, 0);

    ASSERT_TRUE(Automation::Driver::type("null"));
    EXPECT_TRUE(bar->sendButton()->isEnabled()) << "a user may write the word null";
    auto image = picture(screen.view, "InputBar-Typed");
    auto bar0 = fixtures::pixel(*image, 2, 102);
    EXPECT_EQ((std::tuple{bar0.r, bar0.g, bar0.b}), (std::tuple{0xC9, 0xC9, 0xCE}));
    EXPECT_NE(Automation::ViewTreeDump::textOf(bar).find("null"), std::string::npos);

    struct Case {
        std::optional<std::string> text;
        bool sendable;
    };
    for (const auto& c : std::vector<Case>{{std::nullopt, false}, {"", false}, {" \t\n", false}, {"null", true}, {" a ", true}})
        EXPECT_EQ(KVNChatInputView::canSendText(c.text), c.sendable) << c.text.value_or("(nil)");
}

TEST_F(ChatWidgetsTest, TextFieldKeepsItsTextOffTheSides)
{
    auto field = std::make_shared<KVNChatTextField>();
    field->initWithFrame(CGRectMake(0, 0, 200, 30));
    EXPECT_EQ(field->textRectForBounds(field->bounds()), CGRectMake(10, 0, 180, 30));
    EXPECT_EQ(field->editingRectForBounds(field->bounds()), CGRectMake(10, 0, 180, 30));
    EXPECT_EQ(field->placeholder(), KVNLocalizer::localizedStringForKey("CHAT_INPUT_TEXTFIELD_PLACEHOLDER"));
}

TEST_F(ChatWidgetsTest, CellHeightMatchesItsLayout)
{
    const std::string longText =
        "A message long enough to wrap over several lines of the balloon, so that the height depends on the width it gets.";
    struct Case {
        std::string text;
        CGFloat width;
        bool remote;
    };
    std::vector<Case> cases{{"", 320, true},
                            {"Hi", 320, false},
                            {longText, 320, true},
                            {longText, 320, false},
                            {"Line one\nLine two\nLine three", 320, false},
                            {longText, 375, true},
                            {longText, 414, false},
                            {"", 414, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " @" + std::to_string(c.width));
        auto message = std::make_shared<KVNMessage>();
        message->setText(c.text);
        message->setRemote(c.remote);
        const CGFloat expected = KVNMessageCell::expectedHeightForMessage_forWidth(message, c.width);

        auto cell = std::make_shared<KVNMessageCell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, "message");
        cell->setFrame(CGRectMake(0, 0, c.width, expected));
        cell->setMessage(message);
        cell->layoutIfNeeded();

        const CGRect balloon = cell->ballonView()->frame();
        const CGRect tail = cell->rectangle()->frame();
        // The label rounds its text up to whole points; the measure does not.
        EXPECT_GE(balloon.size.height + 40, expected);
        EXPECT_LT(balloon.size.height + 40, expected + 1);
        EXPECT_DOUBLE_EQ(cell->messageLabel()->frame().size.width, c.width - 15 - 50 - 30);
        EXPECT_LE(CGRectGetMaxY(cell->dateLabel()->frame()), expected);
        EXPECT_EQ(tail.origin.y, CGRectGetMaxY(balloon) - 1);
        if (c.remote) {
            EXPECT_EQ(balloon.origin.x, 15);
            EXPECT_EQ(c.width - CGRectGetMaxX(balloon), 50);
            EXPECT_EQ(tail.origin.x, balloon.origin.x + 25);
            EXPECT_EQ(CGRectGetMaxX(cell->dateLabel()->frame()), CGRectGetMaxX(balloon));
        } else {
            EXPECT_EQ(balloon.origin.x, 50);
            EXPECT_EQ(c.width - CGRectGetMaxX(balloon), 15);
            EXPECT_EQ(CGRectGetMaxX(tail), CGRectGetMaxX(balloon) - 25);
            EXPECT_EQ(cell->dateLabel()->frame().origin.x, balloon.origin.x);
        }
        if (c.text.empty()) {
            EXPECT_EQ(expected, 60);
        }
    }
}

TEST_F(ChatWidgetsTest, CellShowsSenderColourAndPicture)
{
    auto screen = showBlankScreen();
    auto cell = std::make_shared<KVNMessageCell>();
    cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, "message");
    auto message = agentMessage("Please hold your ID card up to the camera.");
    message->setDate(std::chrono::system_clock::now());
    const CGFloat height = KVNMessageCell::expectedHeightForMessage_forWidth(message, 320);
    cell->setFrame(CGRectMake(0, 0, 320, height));
    cell->setMessage(message);
    screen.view->addSubview(cell);
    EXPECT_TRUE(sameColor(cell->ballonView()->backgroundColor(), KVNExtensions::colorWithRGBHex(0xAFAFAF)));
    auto image = picture(screen.view, "MessageCell-Agent");
    auto inside = fixtures::pixel(*image, 20, size_t(cell->ballonView()->frame().size.height / 2));
    EXPECT_EQ((std::tuple{inside.r, inside.g, inside.b}), (std::tuple{0xAF, 0xAF, 0xAF}));
    EXPECT_NE(Automation::ViewTreeDump::textOf(cell).find("Please hold"), std::string::npos);

    message->setRemote(false);
    cell->setMessage(message);
    EXPECT_TRUE(sameColor(cell->ballonView()->backgroundColor(), KavoniAppearance::sharedAppearance()->primaryBrandColor()));
    picture(screen.view, "MessageCell-User");
}

TEST_F(ChatWidgetsTest, FadeMaskIsSetOnceFromTheFirstRealLayout)
{
    auto fade = std::make_shared<KVNChatFadeView>();
    fade->initWithFrame(CGRectZero);
    fade->layoutIfNeeded();
    fade->layoutSubviews();
    EXPECT_FALSE(fade->layer()->mask()) << "no height yet, nothing to fade over";

    fade->setFrame(CGRectMake(0, 0, 100, 128));
    fade->layoutSubviews();
    auto mask = fade->fadeGradient();
    ASSERT_TRUE(mask);
    EXPECT_EQ(fade->layer()->mask(), mask);
    EXPECT_EQ(mask->locations(), (std::vector<CGFloat>{0, 0.5, 1}));
    EXPECT_EQ(mask->frame(), CGRectMake(0, 0, 100, 128));

    fade->setFrame(CGRectMake(0, 0, 100, 256));
    fade->layoutSubviews();
    EXPECT_EQ(fade->layer()->mask(), mask);
    EXPECT_EQ(mask->frame(), CGRectMake(0, 0, 100, 128));
}

TEST_F(ChatWidgetsTest, ToastShowsForFourSecondsAfterItsFadeIn)
{
    auto screen = showBlankScreen();
    auto toast = std::make_shared<KVNToast>();
    toast->init();
    screen.view->addSubview(toast);
    toast->setFrame(CGRectMake(20, 60, 280, 40));

    int done = 0;
    toast->showText_completion("First", [&] { ++done; });
    runFor(0.25 + 3.9);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(toast->alpha(), 1.0);
    picture(screen.view, "Toast-Shown");

    // A new text restarts the whole run: fade-in and four full seconds.
    int second = 0;
    toast->showText_completion("Second", [&] { ++second; });
    EXPECT_EQ(toast->label()->text(), "Second");
    runFor(0.25 + 3.99);
    EXPECT_EQ(second, 0);
    runFor(0.02 + 0.25);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(toast->alpha(), 0.0);

    // A dismiss during the fade-in is final: the fade-in's end arms nothing.
    int third = 0;
    toast->showText_completion("Third", [&] { ++third; });
    runFor(0.1);
    toast->dismiss();
    runFor(10);
    EXPECT_EQ(third, 0);
    EXPECT_EQ(toast->alpha(), 0.0);
}

TEST_F(ChatWidgetsTest, ToastCornersAreHalfItsHeightUpToTwenty)
{
    for (auto [height, radius] : std::vector<std::pair<CGFloat, CGFloat>>{{30, 15}, {40, 20}, {60, 20}}) {
        auto toast = std::make_shared<KVNToast>();
        toast->initWithFrame(CGRectMake(0, 0, 200, height));
        toast->layoutSubviews();
        EXPECT_EQ(toast->layer()->cornerRadius(), radius) << height;
    }
}

TEST_F(ChatWidgetsTest, ToastOnAControllerRemovesItselfWhenDone)
{
    auto controller = std::make_shared<UIViewController>();
    auto window = showWindow(controller);
    KVNToast::show_withText(controller, "Hello");
    auto toasts = [&] {
        int n = 0;
        for (const auto& view : controller->view()->subviews())
            n += std::dynamic_pointer_cast<KVNToast>(view) != nullptr;
        return n;
    };
    EXPECT_EQ(toasts(), 1);
    runFor(5);
    EXPECT_EQ(toasts(), 0);
    KVNToast::show_withText(nullptr, "nobody");
}

} // namespace
TEST_F(ChatWidgetsTest, TypedTextIsSentByTappingSendAboveTheKeyboard)
{
    // No string table here, so the send button's title is empty: it must stay tappable.
    auto screen = showBlankScreen();
    auto bar = std::make_shared<KVNChatInputView>();
    bar->initWithFrame(CGRectMake(0, 440, 320, 40));
    screen.view->addSubview(bar);
    std::vector<std::string> sent;
    bar->sendButton()->addTarget_action_forControlEvents(
        bar, [&](const std::shared_ptr<UIControl>&) { sent.push_back(bar->textField()->text().value_or("")); },
        UIControlEventTouchUpInside);
    screen.view->layoutIfNeeded();

    ASSERT_TRUE(Automation::Driver::tap(bar->textField()));
    // The chat screen lifts the bar onto the keyboard; so does this test.
    CGRect keyboard = kvn::SoftwareKeyboard::shared().frame();
    ASSERT_GT(keyboard.size.height, 0);
    bar->setFrame(CGRectMake(0, keyboard.origin.y - 40, 320, 40));
    screen.view->layoutIfNeeded();
    ASSERT_TRUE(Automation::Driver::type("hello"));
    EXPECT_GE(bar->sendButton()->frame().size.width, 44);
    EXPECT_GE(bar->sendButton()->frame().size.height, 30);
    auto tapped = Automation::Driver::tap(bar->sendButton());
    EXPECT_TRUE(tapped) << tapped.message();
    EXPECT_EQ(sent, std::vector<std::string>{"hello"});
}
