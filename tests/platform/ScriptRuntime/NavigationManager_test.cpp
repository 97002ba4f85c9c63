// The navigation add-on as the script uses it: layouts in, screens in the app's window out,
// bad layouts refused with a reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScriptRuntime/NavigationManager.h"
#include "ScriptRuntime/ScreenController.h"
#include "ScriptRuntime/ScreenTabController.h"
#include "ScriptRuntime/ScriptBridge.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIApplicationDelegate.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIWindow.h"
#include "support/ManualClockFixture.h"

using nlohmann::json;

namespace {

class WindowDelegate : public UIApplicationDelegate {
public:
    std::shared_ptr<UIWindow> window() const override { return m_window; }
    std::shared_ptr<UIWindow> m_window;
};

const char* kTabs = R"({"type": "tabs", "children": [
    {"type": "stack", "title": "Home", "children": [{"type": "screen", "title": "Home", "texts": ["Welcome"], "style": {"textColor": "#ffffff"}}]},
    {"type": "screen", "title": "Settings", "navigatorStyle": {"tabBarHidden": true}}]})";

} // namespace

class NavigationManagerTest : public ManualClockFixture {
protected:
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        UIApplication::sharedApplication()->resetForTesting();
        delegate = std::make_shared<WindowDelegate>();
        delegate->m_window = std::make_shared<UIWindow>();
        delegate->m_window->init();
        UIApplication::sharedApplication()->setDelegate(delegate);
        auto path = tempDirectory() / "main.jsbundle";
        std::ofstream(path) << "";
        bridge = std::make_shared<ScriptBridge>();
        bridge->initWithBundleURL_launchOptions(path.string(), json::object());
        ASSERT_TRUE(bridge->runUntilIdle());
    }

    void TearDown() override
    {
        bridge->invalidate();
        loop->pump();
        UIApplication::sharedApplication()->resetForTesting();
        ManualClockFixture::TearDown();
    }

    // Runs `call` (a Navigation promise) and gives "resolved" or the rejection's message.
    std::string settle(const std::string& call)
    {
        bridge->evaluate("globalThis.outcome = 'pending'; " + call +
                         ".then(() => { globalThis.outcome = 'resolved'; }, e => { globalThis.outcome = e.message; });");
        for (int i = 0; i < 20 && bridge->evaluate("globalThis.outcome") == json("pending"); ++i) {
            bridge->runUntilIdle();
            runFor(0.1);
        }
        runFor(UIViewControllerTransitionDuration + 0.1);
        return bridge->evaluate("globalThis.outcome").value_or(json("no value")).get<std::string>();
    }

    std::shared_ptr<WindowDelegate> delegate;
    std::shared_ptr<ScriptBridge> bridge;
};

TEST_F(NavigationManagerTest, TheScriptSetsATabLayoutAndPushesAndPopsScreens)
{
    ASSERT_EQ(settle(std::string("Navigation.setRoot(") + kTabs + ")"), "resolved");
    auto window = delegate->window();
    EXPECT_EQ(UIApplication::sharedApplication()->keyWindow(), window);
    auto tabs = std::dynamic_pointer_cast<ScreenTabController>(window->rootViewController());
    ASSERT_TRUE(tabs);
    ASSERT_EQ(tabs->viewControllers().size(), 2u);
    EXPECT_EQ(tabs->viewControllers()[0]->title(), "Home");
    EXPECT_EQ(tabs->viewControllers()[1]->title(), "Settings");
    auto stack = std::dynamic_pointer_cast<UINavigationController>(tabs->selectedViewController());
    ASSERT_TRUE(stack);
    auto home = stack->topViewController()->view()->subviews();
    auto line = home.empty() ? nullptr : std::dynamic_pointer_cast<UILabel>(home.back());
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text(), "Welcome");
    EXPECT_EQ(*line->textColor(), *UIColor::whiteColor());

    ASSERT_EQ(settle(R"(Navigation.push({"type": "screen", "title": "Details"}))"), "resolved");
    ASSERT_EQ(stack->viewControllers().size(), 2u);
    EXPECT_EQ(stack->topViewController()->title(), "Details");
    ASSERT_EQ(settle("Navigation.pop()"), "resolved");
    EXPECT_EQ(stack->viewControllers().size(), 1u);
}

// The largest layout the add-on takes, with its global props: every controller reads the one
// object the layout gave, a screen pushed later too (each once held a copy of its own).
TEST_F(NavigationManagerTest, EveryControllerOfALayoutSharesItsGlobalProps)
{
    ASSERT_EQ(settle(R"(Navigation.setRoot({"type": "tabs", "globalProps": {"theme": "x".repeat(4096)},
        "children": Array(8).fill({"type": "stack", "children": Array(32).fill({"type": "screen"})})}))"),
              "resolved");
    auto tabs = std::dynamic_pointer_cast<ScreenTabController>(delegate->window()->rootViewController());
    ASSERT_TRUE(tabs);
    const nlohmann::json* shared = &tabs->globalProps();
    EXPECT_EQ(shared->value("theme", std::string()).size(), 4096u);
    size_t screens = 0;
    for (const auto& tab : tabs->viewControllers()) {
        auto stack = std::dynamic_pointer_cast<UINavigationController>(tab);
        ASSERT_TRUE(stack);
        for (const auto& controller : stack->viewControllers()) {
            auto screen = std::dynamic_pointer_cast<ScreenController>(controller);
            ASSERT_TRUE(screen);
            EXPECT_EQ(&screen->globalProps(), shared);
            ++screens;
        }
    }
    EXPECT_EQ(screens, 8u * 32u);

    ASSERT_EQ(settle(R"(Navigation.setRoot({"type": "stack", "children": [{"type": "screen"}]}))"), "resolved");
    ASSERT_EQ(settle(R"(Navigation.push({"type": "screen", "title": "Details"}))"), "resolved");
    auto stack = std::dynamic_pointer_cast<UINavigationController>(delegate->window()->rootViewController());
    ASSERT_TRUE(stack);
    auto first = std::dynamic_pointer_cast<ScreenController>(stack->viewControllers().front());
    auto pushed = std::dynamic_pointer_cast<ScreenController>(stack->topViewController());
    ASSERT_TRUE(first && pushed);
    EXPECT_EQ(&pushed->globalProps(), &first->globalProps()) << "a pushed screen gets the root layout's props";
    EXPECT_TRUE(pushed->globalProps().is_object() && pushed->globalProps().empty());
}

TEST_F(NavigationManagerTest, BadLayoutsAreRefusedWithAReasonAndChangeNothing)
{
    ASSERT_EQ(settle(std::string("Navigation.setRoot(") + kTabs + ")"), "resolved");
    auto root = delegate->window()->rootViewController();
    struct Case {
        const char* call;
        const char* reason;
    } cases[] = {
        {R"(Navigation.setRoot({"children": []}))", "\"type\""},
        {R"(Navigation.setRoot({"type": "tabs", "children": []}))", "non-empty list"},
        {R"(Navigation.setRoot({"type": "stack", "children": [{"type": "stack", "children": []}]}))", "\"screen\" layouts only"},
        {R"(Navigation.setRoot({"type": "tabs", "children": Array(9).fill({"type": "screen"})}))", "at most 8"},
        {R"(Navigation.setRoot({"type": "screen", "style": "dark"}))", "not an object"},
        {R"(Navigation.setRoot({"type": "screen", "globalProps": 3}))", "globalProps"},
        {R"(Navigation.push({"type": "tabs", "children": [{"type": "screen"}]}))", "only a \"screen\""},
        {"Navigation.pop()", "no screen above"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        EXPECT_NE(settle(c.call).find(c.reason), std::string::npos) << settle(c.call);
        EXPECT_EQ(delegate->window()->rootViewController(), root);
    }
}

TEST_F(NavigationManagerTest, TheAddOnMovesTheTabBarDownByItsHeightAndLeavesItThere)
{
    ASSERT_EQ(settle(std::string("Navigation.setRoot(") + kTabs + ")"), "resolved");
    auto tabs = std::dynamic_pointer_cast<ScreenTabController>(delegate->window()->rootViewController());
    ASSERT_TRUE(tabs);
    tabs->setSelectedIndex(1);
    EXPECT_EQ(tabs->tabBar()->transform(), CGAffineTransformMakeTranslation(0, UITabBar::kHeight));
    tabs->setSelectedIndex(0);
    EXPECT_EQ(tabs->tabBar()->transform(), CGAffineTransformMakeTranslation(0, UITabBar::kHeight));
}
