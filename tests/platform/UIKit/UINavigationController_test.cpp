#include "UIKitTestFixture.h"

#include "UIKit/UIImagePickerController.h"
#include "UIKit/UINavigationController.h"
#include "AVFoundation/AVCaptureDevice.h"
#include "support/PresentationState.h"

using Events = std::vector<std::string>;
using Stack = std::vector<std::shared_ptr<UIViewController>>;

namespace {

// Records, besides its lifecycle, whether it was moving in or out of its parent when it
// started to appear or disappear (the way the first screens tell a pop from a cover).
class Screen : public RecordingViewController {
public:
    using RecordingViewController::RecordingViewController;
    bool movingToParentOnAppear = false;
    bool movingFromParentOnDisappear = false;

    void viewWillAppear(bool animated) override
    {
        RecordingViewController::viewWillAppear(animated);
        movingToParentOnAppear = isMovingToParentViewController();
    }
    void viewWillDisappear(bool animated) override
    {
        RecordingViewController::viewWillDisappear(animated);
        movingFromParentOnDisappear = isMovingFromParentViewController();
    }
};

} // namespace

class UINavigationControllerTest : public UIKitTest {
protected:
    std::shared_ptr<Screen> screen(const std::string& name)
    {
        auto controller = std::make_shared<Screen>(name, &journal);
        controller->init();
        names[controller.get()] = name;
        return controller;
    }

    std::shared_ptr<UINavigationController> navigation(const std::string& name, const std::shared_ptr<UIViewController>& root)
    {
        auto controller = std::make_shared<UINavigationController>();
        controller->initWithRootViewController(root);
        names[controller.get()] = name;
        return controller;
    }

    std::string state(const std::shared_ptr<UIViewController>& root) const { return describePresentation(root, names); }

    Events journal;
    PresentationNames names;
};

TEST_F(UINavigationControllerTest, PushAndPopMoveScreensOnTheClock)
{
    auto a = screen("a");
    auto nav = navigation("nav", a);
    auto window = showWindow(nav);
    auto b = screen("b");
    journal.clear();

    nav->pushViewController_animated(b, true);

    // The stack changes at once; the screens move when the transition ends.
    EXPECT_EQ(nav->viewControllers(), (Stack{a, b}));
    EXPECT_EQ(nav->topViewController(), b);
    EXPECT_EQ(b->navigationController(), nav);
    EXPECT_EQ(journal, (Events{"b.willMoveToParent", "b.didLoad", "a.willDisappear", "b.willAppear"}));
    EXPECT_TRUE(b->movingToParentOnAppear);
    EXPECT_EQ(a->view()->superview(), nav->view());
    clock->advance(UIViewControllerTransitionDuration);
    EXPECT_EQ(journal, (Events{"b.willMoveToParent", "b.didLoad", "a.willDisappear", "b.willAppear", "a.didDisappear", "b.didAppear",
                               "b.didMoveToParent"}));
    EXPECT_EQ(a->view()->superview(), nullptr);
    EXPECT_EQ(b->view()->superview(), nav->view());
    EXPECT_FALSE(b->isMovingToParentViewController());

    journal.clear();
    EXPECT_EQ(nav->popViewControllerAnimated(true), b);
    EXPECT_EQ(nav->viewControllers(), Stack{a});
    EXPECT_TRUE(b->movingFromParentOnDisappear);
    EXPECT_FALSE(a->movingToParentOnAppear); // uncovered, not added
    clock->advance(UIViewControllerTransitionDuration);
    EXPECT_EQ(journal, (Events{"b.willMoveToNil", "b.willDisappear", "a.willAppear", "b.didDisappear", "a.didAppear", "b.didMoveToNil"}));
    EXPECT_EQ(b->parentViewController(), nullptr);
    EXPECT_EQ(b->navigationController(), nullptr);
    EXPECT_EQ(b->view()->superview(), nullptr);
    EXPECT_EQ(a->view()->superview(), nav->view());
}

TEST_F(UINavigationControllerTest, MisuseIsRefusedAndChangesNothing)
{
    auto a = screen("a");
    auto b = screen("b");
    auto nav = navigation("nav", a);
    nav->pushViewController_animated(b, false);
    auto otherRoot = screen("otherRoot");
    auto other = navigation("other", otherRoot);
    auto presenter = screen("presenter");
    auto presented = screen("presented");
    presenter->presentViewController_animated_completion(presented, false, nullptr);
    auto windowRoot = screen("windowRoot");
    auto window = showWindow(windowRoot);
    auto outsider = screen("outsider");

    struct Case {
        const char* why;
        std::function<void()> action;
    } cases[] = {
        {"push a screen already in the stack", [&] { nav->pushViewController_animated(a, true); }},
        {"push the top again", [&] { nav->pushViewController_animated(b, false); }},
        {"push a screen of another stack", [&] { nav->pushViewController_animated(otherRoot, true); }},
        {"push a navigation controller", [&] { nav->pushViewController_animated(other, true); }},
        {"push itself", [&] { nav->pushViewController_animated(nav, true); }},
        {"push a presented screen", [&] { nav->pushViewController_animated(presented, true); }},
        {"push a window's root", [&] { nav->pushViewController_animated(windowRoot, true); }},
        {"push nothing", [&] { nav->pushViewController_animated(nullptr, true); }},
        {"pop to a screen not in the stack", [&] { EXPECT_TRUE(nav->popToViewController_animated(outsider, true).empty()); }},
        {"pop to nothing", [&] { EXPECT_TRUE(nav->popToViewController_animated(nullptr, true).empty()); }},
        {"pop to the top", [&] { EXPECT_TRUE(nav->popToViewController_animated(b, true).empty()); }},
        {"set a list with a duplicate", [&] { nav->setViewControllers_animated({a, outsider, a}, true); }},
        {"set a list with a screen of another stack", [&] { nav->setViewControllers_animated({outsider, otherRoot}, true); }},
    };
    for (const auto& c : cases) {
        c.action();
        clock->advance(1.0);
        EXPECT_EQ(nav->viewControllers(), (Stack{a, b})) << c.why;
        EXPECT_EQ(otherRoot->parentViewController(), other) << c.why;
        EXPECT_EQ(outsider->parentViewController(), nullptr) << c.why;
    }

    // With one screen left a pop does nothing, animated or not.
    EXPECT_EQ(nav->popViewControllerAnimated(false), b);
    EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr);
    EXPECT_EQ(nav->popViewControllerAnimated(false), nullptr);
    EXPECT_TRUE(nav->popToRootViewControllerAnimated(true).empty());
    EXPECT_EQ(nav->viewControllers(), Stack{a});
    EXPECT_EQ(a->parentViewController(), nav);
}

TEST_F(UINavigationControllerTest, PopToAScreenSkipsTheScreensBetween)
{
    auto a = screen("a");
    auto nav = navigation("nav", a);
    auto window = showWindow(nav);
    auto b = screen("b");
    auto c = screen("c");
    auto d = screen("d");
    nav->setViewControllers_animated({a, b, c, d}, false);
    EXPECT_FALSE(b->isViewLoaded()); // only the top is shown
    journal.clear();

    EXPECT_EQ(nav->popToViewController_animated(b, true), (Stack{c, d}));
    clock->advance(UIViewControllerTransitionDuration);

    // c was never on screen: it only leaves its parent.
    EXPECT_EQ(journal, (Events{"c.willMoveToNil", "d.willMoveToNil", "b.didLoad", "d.willDisappear", "b.willAppear", "d.didDisappear",
                               "b.didAppear", "c.didMoveToNil", "d.didMoveToNil"}));
    EXPECT_EQ(nav->childViewControllers(), (Stack{a, b}));

    EXPECT_EQ(nav->popToRootViewControllerAnimated(false), Stack{b});
    EXPECT_EQ(state(nav), "nav[a]");
    EXPECT_TRUE(a->isVisible());
}

TEST_F(UINavigationControllerTest, AChangeDuringATransitionFinishesItFirst)
{
    auto a = screen("a");
    auto nav = navigation("nav", a);
    auto window = showWindow(nav);
    auto b = screen("b");
    auto c = screen("c");
    journal.clear();

    nav->pushViewController_animated(b, true);
    nav->pushViewController_animated(c, true); // b's push completes at once
    EXPECT_EQ(b->events, (Events{"willMoveToParent", "didLoad", "willAppear", "didAppear", "didMoveToParent", "willDisappear"}));
    EXPECT_EQ(nav->popViewControllerAnimated(true), c); // and so does c's
    clock->advance(UIViewControllerTransitionDuration);

    EXPECT_EQ(nav->viewControllers(), (Stack{a, b}));
    EXPECT_TRUE(b->isVisible());
    EXPECT_FALSE(a->isVisible());
    EXPECT_FALSE(c->isVisible());
    EXPECT_EQ(c->events.back(), "didMoveToNil");
    EXPECT_EQ(nav->view()->subviews().size(), 2u); // the bar and b's view
}

TEST_F(UINavigationControllerTest, OffScreenTheStackChangesAndOnlyTheTopAppearsLater)
{
    auto host = screen("host");
    auto window = showWindow(host);
    auto a = screen("a");
    auto b = screen("b");
    auto nav = navigation("nav", a);
    nav->pushViewController_animated(b, true); // not on screen: completes at once
    EXPECT_EQ(b->events, (Events{"willMoveToParent", "didMoveToParent"}));
    EXPECT_FALSE(a->isViewLoaded());

    host->presentViewController_animated_completion(nav, true, nullptr);
    clock->advance(UIViewControllerTransitionDuration);

    EXPECT_EQ(b->events, (Events{"willMoveToParent", "didMoveToParent", "didLoad", "willAppear", "didAppear"}));
    EXPECT_FALSE(a->isViewLoaded());
    EXPECT_EQ(state(host), "host > nav[a b]");
    // A screen inside a presented navigation controller is presented by the presenter.
    EXPECT_EQ(b->presentingViewController(), host);
    EXPECT_EQ(nav->visibleViewController(), b);
}

TEST_F(UINavigationControllerTest, NavigationControllerIsTheNearestAncestor)
{
    auto a = screen("a");
    auto outer = navigation("outer", a);
    auto child = screen("child");
    a->addChildViewController(child);
    child->didMoveToParentViewController(a);
    EXPECT_EQ(child->navigationController(), outer);
    EXPECT_EQ(outer->navigationController(), nullptr);

    // A navigation controller presented from a stack's screen is not an ancestor.
    auto b = screen("b");
    auto inner = navigation("inner", b);
    a->presentViewController_animated_completion(inner, false, nullptr);
    EXPECT_EQ(b->navigationController(), inner);
    EXPECT_EQ(b->presentingViewController(), outer);
    EXPECT_EQ(outer->visibleViewController(), inner);
}

// The two ways an identification's screens open and close: presented in a new navigation
// controller and closed by dismissals, or pushed onto the host's stack and popped.
TEST_F(UINavigationControllerTest, ModalFlowClosesByDismissingThePresentedChain)
{
    auto host = screen("host");
    auto hostNav = navigation("hostNav", host);
    auto window = showWindow(hostNav);
    auto check = screen("check");
    auto flow = navigation("flow", check);
    host->presentViewController_animated_completion(flow, true, nullptr);
    clock->advance(UIViewControllerTransitionDuration);
    auto ident = screen("ident");
    auto identNav = navigation("identNav", ident);
    check->presentViewController_animated_completion(identNav, true, nullptr);
    clock->advance(UIViewControllerTransitionDuration);
    ASSERT_EQ(state(hostNav), "hostNav[host] > flow[check] > identNav[ident]");
    EXPECT_EQ(ident->presentingViewController(), flow);
    journal.clear();

    // The ident screen's navigation controller goes; then the host dismisses what it presented.
    int completions = 0;
    identNav->dismissViewControllerAnimated_completion(true, [&] { ++completions; });
    host->dismissViewControllerAnimated_completion(true, [&] { ++completions; });
    clock->advance(UIViewControllerTransitionDuration);

    EXPECT_EQ(completions, 2);
    EXPECT_EQ(state(hostNav), "hostNav[host]");
    EXPECT_EQ(window->subviews().size(), 1u);
    EXPECT_TRUE(host->isVisible());
    EXPECT_FALSE(check->isVisible());
    EXPECT_FALSE(ident->isVisible());
    EXPECT_EQ(ident->events.back(), "didDisappear");
    EXPECT_EQ(host->events.back(), "didAppear");
}

TEST_F(UINavigationControllerTest, PushedFlowClosesByDismissingAndPopping)
{
    for (bool photo : {false, true}) {
        journal.clear();
        auto host = screen("host");
        auto hostNav = navigation("hostNav", host);
        auto window = showWindow(hostNav);
        auto first = screen("first");
        host->navigationController()->pushViewController_animated(first, true);
        clock->advance(UIViewControllerTransitionDuration);
        if (photo) {
            // The photo flow stays in the stack and goes back to the host.
            auto upload = screen("upload");
            first->navigationController()->pushViewController_animated(upload, true);
            clock->advance(UIViewControllerTransitionDuration);
            ASSERT_EQ(state(hostNav), "hostNav[host first upload]");
            EXPECT_EQ(upload->navigationController()->popToViewController_animated(host, true), (Stack{first, upload}));
        } else {
            auto ident = screen("ident");
            auto identNav = navigation("identNav", ident);
            first->presentViewController_animated_completion(identNav, true, nullptr);
            clock->advance(UIViewControllerTransitionDuration);
            ASSERT_EQ(state(hostNav), "hostNav[host first] > identNav[ident]");
            identNav->dismissViewControllerAnimated_completion(true, nullptr);
            EXPECT_EQ(host->navigationController()->popViewControllerAnimated(true), first);
        }
        clock->advance(UIViewControllerTransitionDuration);

        EXPECT_EQ(state(hostNav), "hostNav[host]") << photo;
        EXPECT_TRUE(host->isVisible()) << photo;
        EXPECT_FALSE(first->isVisible()) << photo;
        EXPECT_EQ(first->parentViewController(), nullptr) << photo;
        EXPECT_EQ(window->subviews().size(), 1u) << photo;
        EXPECT_EQ(hostNav->view()->subviews().size(), 2u) << photo;
    }
}

TEST_F(UINavigationControllerTest, BlackBarAsksForLightStatusBarContent)
{
    auto app = UIApplication::sharedApplication();
    auto host = screen("host");
    auto window = showWindow(host);
    auto top = screen("top");
    top->statusBarStyle = UIStatusBarStyle::DarkContent;
    auto nav = navigation("nav", top);
    EXPECT_EQ(nav->navigationBar()->barStyle(), UIBarStyle::Default);
    nav->navigationBar()->setBarStyle(UIBarStyle::Black); // before it is shown, as a start does
    host->presentViewController_animated_completion(nav, false, nullptr);
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::LightContent);

    // A hidden bar hands the decision to the top screen; a shown one takes it back at once.
    nav->setNavigationBarHidden_animated(true, true);
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::DarkContent);
    nav->setNavigationBarHidden(false);
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::LightContent);
    nav->navigationBar()->setBarStyle(UIBarStyle::Default);
    EXPECT_EQ(app->statusBarStyle(), UIStatusBarStyle::Default);
}

TEST_F(UINavigationControllerTest, TopScreenFillsTheViewBelowTheBar)
{
    auto a = screen("a");
    auto nav = navigation("nav", a);
    auto window = showWindow(nav); // 320 x 480
    const double barBottom = 20 + UINavigationBarHeight;
    EXPECT_EQ(nav->navigationBar()->frame(), CGRectMake(0, 20, 320, UINavigationBarHeight));
    EXPECT_EQ(a->view()->frame(), CGRectMake(0, barBottom, 320, 480 - barBottom));

    auto b = screen("b");
    nav->pushViewController_animated(b, false);
    EXPECT_EQ(b->view()->frame(), CGRectMake(0, barBottom, 320, 480 - barBottom));
    nav->setNavigationBarHidden_animated(true, false);
    EXPECT_TRUE(nav->navigationBar()->isHidden());
    EXPECT_EQ(b->view()->frame(), CGRectMake(0, 0, 320, 480));
}

TEST_F(UINavigationControllerTest, ImagePickerAnswersFromTheCaptureDevices)
{
    using Description = AVCaptureDevice::Description;
    using Camera = UIImagePickerControllerCameraDevice;
    struct Case {
        const char* why;
        std::vector<Description> devices;
        bool rear, front;
    } cases[] = {
        {"both cameras", {Description::backCamera(), Description::frontCamera()}, true, true},
        {"no front camera", {Description::backCamera()}, true, false},
        {"no rear camera", {Description::frontCamera()}, false, true},
        {"no camera", {}, false, false},
    };
    for (const auto& c : cases) {
        AVCaptureDevice::setDevicesForTesting(c.devices);
        EXPECT_EQ(UIImagePickerController::isCameraDeviceAvailable(Camera::Rear), c.rear) << c.why;
        EXPECT_EQ(UIImagePickerController::isCameraDeviceAvailable(Camera::Front), c.front) << c.why;
    }
    AVCaptureDevice::setDevicesForTesting(std::nullopt);
}
