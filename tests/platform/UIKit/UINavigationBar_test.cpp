#include "UIKitTestFixture.h"

#include "InkFixtures.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UINavigationItem.h"

namespace {

// Where pixels of the tint's blue and of the title's black lie in the bar (points).
struct BarInk {
    CGRect blue = CGRectNull;
    CGRect black = CGRectNull;
};

CGRect grow(CGRect rect, CGFloat x, CGFloat y)
{
    if (CGRectIsNull(rect))
        return CGRectMake(x, y, 0.5, 0.5);
    CGFloat x0 = std::min(rect.origin.x, x), y0 = std::min(rect.origin.y, y);
    CGFloat x1 = std::max(CGRectGetMaxX(rect), x + 0.5), y1 = std::max(CGRectGetMaxY(rect), y + 0.5);
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

BarInk barInk(const UIImage& image, CGRect bar)
{
    BarInk ink;
    auto cg = image.CGImage();
    for (size_t y = size_t(bar.origin.y * 2); y < size_t(CGRectGetMaxY(bar) * 2); ++y)
        for (size_t x = 0; x < cg->width(); ++x) {
            uint32_t p = cg->pixelAt(x, y);
            int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (b > 0xC0 && r < 0x60)
                ink.blue = grow(ink.blue, x / 2.0, y / 2.0);
            else if (r < 0x60 && g < 0x60 && b < 0x60)
                ink.black = grow(ink.black, x / 2.0, y / 2.0);
        }
    return ink;
}

} // namespace

class UINavigationBarTest : public UIKitTest {
protected:
    std::shared_ptr<UIViewController> screen(const std::string& title)
    {
        auto controller = std::make_shared<UIViewController>();
        controller->init();
        controller->setTitle(title);
        return controller;
    }

    BarInk drawBar(const std::shared_ptr<UINavigationController>& navigation)
    {
        auto window = showWindow(navigation);
        auto bar = navigation->navigationBar();
        auto image = fixtures::render(window->bounds().size, 2, [&] { window->drawViewHierarchyInRect_afterScreenUpdates(window->bounds(), true); });
        return barInk(*image, bar->frame());
    }
};

TEST_F(UINavigationBarTest, DrawsTheTitleAndTheButtonsTitles)
{
    auto navigation = std::make_shared<UINavigationController>();
    navigation->initWithRootViewController(screen("Accounts"));
    auto details = screen("Details");
    auto done = std::make_shared<UIBarButtonItem>();
    done->initWithTitle_style_target_action("Done", UIBarButtonItemStyle::Done, nullptr, nullptr);
    details->navigationItem()->setRightBarButtonItem(done);
    navigation->pushViewController_animated(details, false);

    BarInk ink = drawBar(navigation);
    CGFloat width = navigation->navigationBar()->bounds().size.width;
    ASSERT_FALSE(CGRectIsNull(ink.black));
    ASSERT_FALSE(CGRectIsNull(ink.blue));
    EXPECT_NEAR(CGRectGetMidX(ink.black), width / 2, 1.0) << "the title is centred";
    EXPECT_LT(ink.blue.origin.x, 20) << "the back button at the left";
    EXPECT_GT(CGRectGetMaxX(ink.blue), width - 20) << "Done at the right";
}

TEST_F(UINavigationBarTest, ALongTitleStopsShortOfTheButtons)
{
    auto root = screen("A title far too long to fit between the buttons of a navigation bar");
    auto cancel = std::make_shared<UIBarButtonItem>();
    cancel->initWithTitle_style_target_action("Cancel", UIBarButtonItemStyle::Plain, nullptr, nullptr);
    root->navigationItem()->setLeftBarButtonItem(cancel);
    auto navigation = std::make_shared<UINavigationController>();
    navigation->initWithRootViewController(root);

    BarInk ink = drawBar(navigation);
    ASSERT_FALSE(CGRectIsNull(ink.black));
    CGFloat width = navigation->navigationBar()->bounds().size.width;
    CGFloat cancelRight = 8 + 52.92; // "Cancel" at 17 pt
    EXPECT_GT(ink.black.origin.x, cancelRight) << "clear of Cancel";
    EXPECT_LT(CGRectGetMaxX(ink.black), width - cancelRight) << "and as far from the other edge";
}

// The back button gives way to the screen's title: its full name, then "Back", then only
// its arrow, as long as the title would otherwise be cut.
TEST_F(UINavigationBarTest, TheBackButtonShortensToKeepTheTitleWhole)
{
    struct Case {
        const char* below;
        const char* top;
        const char* back;
        const char* why;
    };
    const Case cases[] = {
        {"Home", "Details", "\u2039 Home", "room for both"},
        {"Check your details", "Documents", "\u2039 Back", "the full back title would cut the title"},
        {"Check your details", "Choose your identity paper", "\u2039", "even \"Back\" would cut the title"},
        {"", "Details", "\u2039 Back", "a screen without a title is gone back to as \"Back\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto navigation = std::make_shared<UINavigationController>();
        navigation->initWithRootViewController(screen(c.below));
        navigation->pushViewController_animated(screen(c.top), false);
        auto window = showWindow(navigation);
        window->layoutIfNeeded();
        EXPECT_EQ(navigation->navigationBar()->backButtonTitle(), c.back);
    }

    // And the title is drawn whole: as wide as it is on a bar without a back button.
    auto alone = std::make_shared<UINavigationController>();
    alone->initWithRootViewController(screen("Document selection"));
    BarInk whole = drawBar(alone);
    auto stacked = std::make_shared<UINavigationController>();
    stacked->initWithRootViewController(screen("Check your details"));
    stacked->pushViewController_animated(screen("Document selection"), false);
    BarInk beside = drawBar(stacked);
    ASSERT_FALSE(CGRectIsNull(beside.black));
    EXPECT_NEAR(beside.black.size.width, whole.black.size.width, 1.0);
}

TEST_F(UINavigationBarTest, TappingAButtonsTitleSendsItsAction)
{
    auto root = screen("Result");
    std::vector<std::string> sent;
    auto makeItem = [&](const std::string& title) {
        auto item = std::make_shared<UIBarButtonItem>();
        item->initWithTitle_style_target_action("Item", UIBarButtonItemStyle::Plain, nullptr,
                                                [&sent, title](const std::shared_ptr<UIBarButtonItem>&) { sent.push_back(title); });
        return item;
    };
    auto retry = makeItem("retry");
    auto close = makeItem("close");
    root->navigationItem()->setLeftBarButtonItem(retry);
    root->navigationItem()->setRightBarButtonItem(close);
    // Screens often retitle their items after set-up.
    retry->setTitle("Retry");
    close->setTitle("Close");
    auto navigation = std::make_shared<UINavigationController>();
    navigation->initWithRootViewController(root);
    auto window = showWindow(navigation);
    window->layoutIfNeeded();

    for (const auto& [title, expected] : {std::pair{"Retry", "retry"}, std::pair{"Close", "close"}}) {
        SCOPED_TRACE(title);
        auto target = Automation::ViewFinder::viewWithAccessibilityLabel(window, title);
        ASSERT_TRUE(target);
        auto tapped = Automation::Driver::tap(target);
        ASSERT_TRUE(tapped) << tapped.message();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), expected);
    }
    EXPECT_EQ(sent.size(), 2u);

    // A disabled item, or a screen pushed over it, takes no taps.
    close->setEnabled(false);
    Automation::Driver::tap(Automation::ViewFinder::viewWithAccessibilityLabel(window, "Close"));
    EXPECT_EQ(sent.size(), 2u);
    navigation->pushViewController_animated(screen("Next"), false);
    window->layoutIfNeeded();
    EXPECT_FALSE(Automation::ViewFinder::viewWithAccessibilityLabel(window, "Retry")) << "the pushed screen has no items";
}
