// The app's additions to the navigation add-on's screens, driven as a person drives them.
#include "HostTestFixture.h"

#include <fstream>
#include <sstream>

#include "Foundation/NSLog.h"
#include "NavigationPatches.h"
#include "ScriptRuntime/ScreenController.h"
#include "ScriptRuntime/ScreenTabController.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UINavigationController.h"

using Automation::Driver;
using Automation::ViewFinder;
using nlohmann::json;

namespace {

std::string hostResource(const std::string& name)
{
    std::ifstream file(std::string(KVN_TEST_SOURCE_DIR) + "/../../host/Resources/" + name, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

json screen(const std::string& title, json style = json::object(), json navigatorStyle = json::object())
{
    return {{"type", "screen"}, {"title", title}, {"texts", {title}}, {"style", std::move(style)}, {"navigatorStyle", std::move(navigatorStyle)}};
}

json tabs(const std::vector<std::string>& titles, json style = json::object())
{
    json children = json::array();
    for (const auto& title : titles)
        children.push_back({{"type", "stack"}, {"children", {screen(title)}}});
    return {{"type", "tabs"}, {"children", children}, {"style", std::move(style)}};
}

} // namespace

class NavigationPatchesTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        NavigationPatches::install();
        bundle->writeFile("OverlayButton.nib.json", hostResource("OverlayButton.nib.json"));
        bundle->writeFile("overlay-button@2x.png", hostResource("overlay-button@2x.png"));
        window = std::make_shared<UIWindow>();
        window->init();
    }

    std::shared_ptr<UIViewController> make(const json& layout)
    {
        std::string error;
        auto controller = NavigationManager::sharedInstance()->controllerWithLayout(layout, json::object(), error);
        EXPECT_TRUE(controller) << error;
        return controller;
    }

    std::shared_ptr<ScreenTabController> show(const std::shared_ptr<UIViewController>& root)
    {
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        loop->pump();
        return std::dynamic_pointer_cast<ScreenTabController>(root);
    }

    void tap(const std::shared_ptr<UIView>& view)
    {
        ASSERT_TRUE(view);
        auto result = Driver::tap(view);
        ASSERT_TRUE(result) << result.message();
        loop->pump();
    }

    std::shared_ptr<UIView> overlayButton() { return ViewFinder::viewWithAccessibilityIdentifier(window, "OverlayButton"); }
};

TEST_F(NavigationPatchesTest, TheOverlayButtonFloatsOverTheTabBarAndSelectsItsTab)
{
    struct Case {
        json overlay;
        long selected;
        const char* why;
    } cases[] = {
        {json::object(), 0, "no view: \"OverlayButton\"; no index: the first tab"},
        {{{"view", "OverlayButton"}, {"overlayTabIndex", 1}}, 1, "the second tab"},
        {{{"overlayTabIndex", "2"}}, 2, "the index as text, as a script reading it from settings writes it"},
        {{{"overlayTabIndex", " 1 "}}, 1, "text with spaces round the number"},
        {{{"overlayTabIndex", 1.0}}, 1, "a whole number converted from a script number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto controller = show(make(tabs({"Home", "Identify", "Settings"}, {{"overlay", c.overlay}})));
        ASSERT_TRUE(controller);
        auto button = overlayButton();
        ASSERT_TRUE(button);
        EXPECT_EQ(button, NavigationPatches::overlayView());
        EXPECT_EQ(button->superview(), controller->tabBar());
        EXPECT_EQ(controller->tabBar()->subviews().back(), button) << "in front of the tabs' buttons";
        EXPECT_EQ(button->frame(), CGRectMake(375.0 / 2 - 30, -24, 60, 60));

        // The middle tab lies under the button; the last one is free.
        tap(ViewFinder::viewWithText(window, "Settings"));
        ASSERT_EQ(controller->selectedIndex(), 2);
        tap(button);
        EXPECT_EQ(controller->selectedIndex(), c.selected);
    }
}

TEST_F(NavigationPatchesTest, TwoTabControllersEachKeepTheirOwnOverlayIndex)
{
    auto older = make(tabs({"A1", "A2", "A3"}, {{"overlay", {{"overlayTabIndex", 1}}}}));
    auto newer = make(tabs({"B1", "B2", "B3", "B4", "B5"}, {{"overlay", {{"overlayTabIndex", 3}}}}));
    auto unset = make(tabs({"C1", "C2", "C3"}, {{"overlay", json::object()}}));

    const std::pair<std::shared_ptr<UIViewController>, long> expected[] = {{newer, 3}, {older, 1}, {unset, 0}};
    for (const auto& [root, index] : expected) {
        auto controller = show(root);
        tap(ViewFinder::viewWithText(window, controller->viewControllers().back()->title().value_or("")));
        tap(overlayButton());
        EXPECT_EQ(controller->selectedIndex(), index) << "the older button must not take a newer controller's index";
    }
}

TEST_F(NavigationPatchesTest, ABrokenOverlayIsLoggedAndTheTabsStillWork)
{
    struct Case {
        json overlay;
        const char* why;
    } cases[] = {
        {{{"view", "NoSuchInterface"}}, "a missing interface file"},
        {{{"overlayTabIndex", "two"}}, "an index that is not a number"},
        {{{"overlayTabIndex", "2x"}}, "text that only starts with a number"},
        {{{"overlayTabIndex", ""}}, "empty text"},
        {{{"overlayTabIndex", 1.5}}, "a number that is not whole"},
        {{{"overlayTabIndex", true}}, "a boolean"},
        {json::array(), "an overlay that is not a dictionary"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<std::string> lines;
        NSLogSetObserverForTesting([&](const std::string& message) { lines.push_back(message); });
        auto controller = show(make(tabs({"Home", "Identify", "Settings"}, {{"overlay", c.overlay}})));
        NSLogSetObserverForTesting(nullptr);

        ASSERT_TRUE(controller);
        EXPECT_FALSE(overlayButton()) << "no button in this tab bar";
        auto exception = std::find_if(lines.begin(), lines.end(), [](const auto& line) { return line.starts_with("OVERLAY INIT Exception: "); });
        ASSERT_NE(exception, lines.end());
        EXPECT_NE(std::find(exception, lines.end(), "finally"), lines.end()) << "\"finally\" follows the exception";
        tap(ViewFinder::viewWithText(window, "Settings"));
        EXPECT_EQ(controller->selectedIndex(), 2);
    }
}

TEST_F(NavigationPatchesTest, AScreenThatHidesTheTabBarTakesTheOverlayWithItAndTheNextBringsThemBack)
{
    auto controller = show(make(tabs({"Home", "Identify", "Settings"}, {{"overlay", json::object()}})));
    auto bar = controller->tabBar();
    auto stack = std::dynamic_pointer_cast<UINavigationController>(controller->selectedViewController());
    ASSERT_TRUE(stack);

    stack->pushViewController_animated(ScreenController::controllerWithLayout(screen("Hidden", {}, {{"tabBarHidden", true}, {"navBarHidden", true}}), json::object()), true);
    runFor(UIViewControllerTransitionDuration + 0.1);
    EXPECT_EQ(bar->transform(), CGAffineTransformMakeTranslation(0, 49 + 90));
    EXPECT_FALSE(overlayButton()) << "the button stood above the bar; it must go too";
    EXPECT_FALSE(ViewFinder::viewWithText(window, "Settings"));
    EXPECT_EQ(UIApplication::sharedApplication()->statusBarStyle(), UIStatusBarStyle::LightContent);

    stack->pushViewController_animated(
        ScreenController::controllerWithLayout(screen("Dark text", {}, {{"statusBarTextColorScheme", "dark"}, {"navBarHidden", true}}), json::object()), true);
    runFor(UIViewControllerTransitionDuration + 0.1);
    EXPECT_TRUE(CGAffineTransformIsIdentity(bar->transform()));
    EXPECT_TRUE(overlayButton());
    EXPECT_EQ(UIApplication::sharedApplication()->statusBarStyle(), UIStatusBarStyle::DarkContent)
        << "the screen's own scheme is applied after the light default";

    stack->popToRootViewControllerAnimated(true);
    runFor(UIViewControllerTransitionDuration + 0.1);
    EXPECT_TRUE(CGAffineTransformIsIdentity(bar->transform()));
    tap(ViewFinder::viewWithText(window, "Settings"));
    EXPECT_EQ(controller->selectedIndex(), 2);
}

TEST_F(NavigationPatchesTest, AScreenNamingABackgroundSwapsTheRootBackgroundAndTheSwapStays)
{
    bundle->addImage("root-background", 30, 40);
    bundle->addImage("other-background", 50, 20);
    auto layout = tabs({"Identify", "Settings"});
    layout["children"][0]["children"][0] = screen("Home", {{"rootBackgroundImageName", "root-background"}});
    auto controller = show(make(layout));
    auto root = NavigationPatches::rootBackgroundController();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->title(), "Home");
    auto backgroundSize = [&] {
        auto imageView = std::dynamic_pointer_cast<UIImageView>(root->view()->subviews().front());
        return imageView && imageView->image() ? imageView->image()->size() : CGSizeZero;
    };
    EXPECT_EQ(backgroundSize(), CGSizeMake(30, 40));

    auto stack = std::dynamic_pointer_cast<UINavigationController>(controller->selectedViewController());
    stack->pushViewController_animated(
        ScreenController::controllerWithLayout(screen("Evening", {}, {{"rootBackgroundImageName", "other-background"}}), json::object()), true);
    runFor(UIViewControllerTransitionDuration + 0.1);
    EXPECT_EQ(backgroundSize(), CGSizeMake(50, 20));
    EXPECT_EQ(root->view()->subviews().front()->frame(), root->view()->bounds());

    stack->popViewControllerAnimated(true);
    runFor(UIViewControllerTransitionDuration + 0.1);
    EXPECT_EQ(NavigationPatches::rootBackgroundController(), root);
    EXPECT_EQ(backgroundSize(), CGSizeMake(50, 20)) << "the swap outlives the screen that made it";
}
