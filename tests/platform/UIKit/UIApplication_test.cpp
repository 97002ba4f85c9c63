#include "UIKitTestFixture.h"

#include <fstream>

#include "Foundation/NSBundle.h"
#include "Foundation/NSNotificationCenter.h"
#include "UIKit/UINavigationController.h"

namespace {

struct Heard {
    std::string name;
    UIApplicationState stateThen;
};

} // namespace

class UIApplicationTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        app = UIApplication::sharedApplication();
        auto center = NSNotificationCenter::defaultCenter();
        for (const auto& name : {UIApplicationWillResignActiveNotification, UIApplicationDidEnterBackgroundNotification,
                                 UIApplicationWillEnterForegroundNotification, UIApplicationDidBecomeActiveNotification})
            observers.push_back(center->addObserverForName_object_queue_usingBlock(name, nullptr, nullptr, [this](const NSNotification& n) {
                EXPECT_EQ(n.object(), app.get());
                heard.push_back({n.name(), app->applicationState()});
            }));
    }

    void TearDown() override
    {
        for (const auto& observer : observers)
            NSNotificationCenter::defaultCenter()->removeObserver(observer);
        UIKitTest::TearDown();
    }

    std::vector<std::string> heardNames() const
    {
        std::vector<std::string> names;
        for (const auto& h : heard)
            names.push_back(h.name);
        return names;
    }

    std::shared_ptr<UIApplication> app;
    std::vector<std::shared_ptr<NSNotificationObserver>> observers;
    std::vector<Heard> heard;
};

TEST_F(UIApplicationTest, NotificationNamesAreThePlatformsTexts)
{
    EXPECT_EQ(UIApplicationDidEnterBackgroundNotification, "UIApplicationDidEnterBackgroundNotification");
    EXPECT_EQ(UIApplicationWillEnterForegroundNotification, "UIApplicationWillEnterForegroundNotification");
    EXPECT_EQ(UIApplicationWillResignActiveNotification, "UIApplicationWillResignActiveNotification");
    EXPECT_EQ(UIApplicationDidBecomeActiveNotification, "UIApplicationDidBecomeActiveNotification");
}

TEST_F(UIApplicationTest, BackgroundAndForegroundPostInOrderWithTheNewState)
{
    EXPECT_EQ(app->applicationState(), UIApplicationState::Active);
    app->simulateEnterBackground();
    app->simulateEnterBackground(); // already there: nothing more
    EXPECT_EQ(app->applicationState(), UIApplicationState::Background);
    app->simulateEnterForeground();
    EXPECT_EQ(app->applicationState(), UIApplicationState::Active);

    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heardNames(), (std::vector<std::string>{UIApplicationWillResignActiveNotification, UIApplicationDidEnterBackgroundNotification,
                                                      UIApplicationWillEnterForegroundNotification, UIApplicationDidBecomeActiveNotification}));
    EXPECT_EQ(heard[0].stateThen, UIApplicationState::Inactive);
    EXPECT_EQ(heard[1].stateThen, UIApplicationState::Background);
    EXPECT_EQ(heard[2].stateThen, UIApplicationState::Inactive);
    EXPECT_EQ(heard[3].stateThen, UIApplicationState::Active);
}

TEST_F(UIApplicationTest, ResignAndBecomeActiveAlone)
{
    app->simulateResignActive();
    app->simulateEnterForeground(); // not in the background: only becomes active
    EXPECT_EQ(heardNames(), (std::vector<std::string>{UIApplicationWillResignActiveNotification, UIApplicationDidBecomeActiveNotification}));
}

TEST_F(UIApplicationTest, CanOpenURL)
{
    struct Case {
        std::string url;
        bool openable;
        const char* why;
    };
    for (const auto& c : std::vector<Case>{
             {"https://example.org/ok", true, "web"},
             {"HTTP://example.org", true, "schemes are case-insensitive"},
             {UIApplicationOpenSettingsURLString, true, "the settings page"},
             {"tel:+4989123", true, "phone"},
             {"unknownapp://x", false, "no application for the scheme"},
             {"example.org/path", false, "no scheme"},
             {"://x", false, "empty scheme"},
             {"1http://x", false, "a scheme starts with a letter"},
             {"", false, "empty"},
         })
        EXPECT_EQ(app->canOpenURL(c.url), c.openable) << c.why;
}

TEST_F(UIApplicationTest, OpenedURLsAreRecorded)
{
    EXPECT_TRUE(app->openURL("https://example.org/a"));
    EXPECT_FALSE(app->openURL("unknownapp://b"));

    std::vector<bool> answers;
    app->openURL_options_completionHandler(UIApplicationOpenSettingsURLString, {}, [&](bool ok) { answers.push_back(ok); });
    app->openURL_options_completionHandler("nothing", {}, [&](bool ok) { answers.push_back(ok); });
    app->openURL_options_completionHandler("https://example.org/c", {}, nullptr);
    EXPECT_TRUE(answers.empty()) << "completions come on a later turn";
    pump();
    EXPECT_EQ(answers, (std::vector<bool>{true, false}));
    EXPECT_EQ(app->openedURLs(), (std::vector<std::string>{"https://example.org/a", UIApplicationOpenSettingsURLString, "https://example.org/c"}));

    app->setOpenableURLSchemesForTesting({"unknownapp"});
    EXPECT_TRUE(app->openURL("unknownapp://b"));
    EXPECT_FALSE(app->canOpenURL("https://example.org"));
}

TEST_F(UIApplicationTest, KeyWindowAndWindows)
{
    EXPECT_EQ(app->keyWindow(), nullptr);
    auto root = std::make_shared<RecordingViewController>();
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(CGRectMake(0, 0, 100, 200));
    window->setRootViewController(root);
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(app->windows().empty());
    EXPECT_EQ(root->events, std::vector<std::string>{"didLoad"}) << "a hidden window shows nothing";

    window->makeKeyAndVisible();
    EXPECT_FALSE(window->isHidden());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(app->keyWindow(), window);
    EXPECT_EQ(app->windows(), std::vector<std::shared_ptr<UIWindow>>{window});
    EXPECT_EQ(root->events, (std::vector<std::string>{"didLoad", "willAppear", "didAppear"}));
    EXPECT_EQ(root->view()->frame(), CGRectMake(0, 0, 100, 200));

    auto second = std::make_shared<UIWindow>();
    second->initWithFrame(CGRectMake(0, 0, 100, 200));
    second->makeKeyAndVisible();
    EXPECT_EQ(app->keyWindow(), second);
    EXPECT_FALSE(window->isKeyWindow());
    EXPECT_EQ(app->windows().size(), 2u);
}

TEST_F(UIApplicationTest, IdleTimerAndStatusBarSetters)
{
    app->setIdleTimerDisabled(true);
    EXPECT_TRUE(app->isIdleTimerDisabled());
    app->setStatusBarStyle_animated(UIStatusBarStyle::LightContent, true);
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::LightContent);
}

class StatusBarAppearanceTest : public UIApplicationTest {
protected:
    // Points the main bundle at a folder whose Info.json holds `info`.
    void useInfo(const std::string& info)
    {
        std::ofstream(tempDirectory() / "Info.json") << info;
        NSBundle::setMainBundlePath(tempDirectory().string());
    }
};

TEST_F(StatusBarAppearanceTest, ScreensDecideWhenViewControllerBased)
{
    useInfo("{}"); // absent key: view-controller based
    auto root = std::make_shared<RecordingViewController>();
    auto window = showWindow(root);
    auto modal = std::make_shared<RecordingViewController>();
    modal->statusBarStyle = UIStatusBarStyle::LightContent;

    root->presentViewController_animated_completion(modal, true, nullptr);
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::Default);
    clock->advance(UIViewControllerTransitionDuration);
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::LightContent);

    modal->statusBarStyle = UIStatusBarStyle::DarkContent;
    modal->setNeedsStatusBarAppearanceUpdate();
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::DarkContent);

    root->dismissViewControllerAnimated_completion(false, nullptr);
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::Default);
}

// A screen that hides the status bar, and a container that hands the choice to a child.
class HidingScreen : public UIViewController {
public:
    bool prefersStatusBarHidden() const override { return hides; }
    std::shared_ptr<UIViewController> childViewControllerForStatusBarHidden() const override { return decider; }
    bool hides = false;
    std::shared_ptr<UIViewController> decider;
};

TEST_F(StatusBarAppearanceTest, TheDecidingScreenOrTheChildItNamesHidesTheStatusBar)
{
    useInfo("{}");
    auto child = std::make_shared<HidingScreen>();
    auto container = std::make_shared<HidingScreen>();
    auto navigation = std::make_shared<UINavigationController>();
    navigation->initWithRootViewController(container);
    auto window = showWindow(navigation);
    navigation->setNeedsStatusBarAppearanceUpdate();
    EXPECT_FALSE(app->isStatusBarHidden());

    container->hides = true;
    container->setNeedsStatusBarAppearanceUpdate();
    EXPECT_TRUE(app->isStatusBarHidden()) << "a navigation controller hands the choice to its top screen";

    container->decider = child;
    container->setNeedsStatusBarAppearanceUpdate();
    EXPECT_FALSE(app->isStatusBarHidden()) << "the container names a child that shows it";
    child->hides = true;
    child->setNeedsStatusBarAppearanceUpdate();
    EXPECT_TRUE(app->isStatusBarHidden());

    // A full-screen modal decides while it is presented.
    auto modal = std::make_shared<HidingScreen>();
    navigation->presentViewController_animated_completion(modal, false, nullptr);
    EXPECT_FALSE(app->isStatusBarHidden());
    navigation->dismissViewControllerAnimated_completion(false, nullptr);
    EXPECT_TRUE(app->isStatusBarHidden());
}

TEST_F(StatusBarAppearanceTest, ApplicationDecidesWhenNotViewControllerBased)
{
    useInfo(R"({"UIViewControllerBasedStatusBarAppearance": false})");
    auto root = std::make_shared<RecordingViewController>();
    root->statusBarStyle = UIStatusBarStyle::DarkContent;
    auto window = showWindow(root);
    app->setStatusBarStyle_animated(UIStatusBarStyle::LightContent, false);
    root->setNeedsStatusBarAppearanceUpdate();
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::LightContent);
}
