#include "UIKitTestFixture.h"

#include "UIKit/UINavigationItem.h"

using Events = std::vector<std::string>;

namespace {

std::shared_ptr<RecordingViewController> makeController(const std::string& name = {}, Events* journal = nullptr)
{
    auto controller = std::make_shared<RecordingViewController>(name, journal);
    controller->init();
    return controller;
}

} // namespace

class UIViewControllerTest : public UIKitTest {};

TEST_F(UIViewControllerTest, ViewLoadsLazilyAndOnce)
{
    auto controller = makeController();
    EXPECT_FALSE(controller->isViewLoaded());
    EXPECT_EQ(controller->viewIfLoaded(), nullptr);
    auto view = controller->view();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(controller->view(), view);
    EXPECT_EQ(controller->events, Events{"didLoad"});
    EXPECT_EQ(view->owningViewController(), controller);
}

TEST_F(UIViewControllerTest, TitleAlsoTitlesTheNavigationItem)
{
    auto controller = makeController();
    controller->setTitle("Check");
    EXPECT_EQ(controller->navigationItem()->title(), "Check");
    controller->setTitle(std::nullopt);
    EXPECT_EQ(controller->navigationItem()->title(), std::nullopt);
    EXPECT_EQ(controller->navigationItem(), controller->navigationItem());
}

TEST_F(UIViewControllerTest, AnimatedPresentationCompletesOnTheClock)
{
    Events journal;
    auto root = makeController("root", &journal);
    auto window = showWindow(root);
    auto presented = makeController("modal", &journal);
    journal.clear();
    int completions = 0;

    root->presentViewController_animated_completion(presented, true, [&] { ++completions; });

    // State is readable at once; the appearance completes after the transition.
    EXPECT_EQ(root->presentedViewController(), presented);
    EXPECT_EQ(presented->presentingViewController(), root);
    EXPECT_TRUE(presented->isBeingPresented());
    EXPECT_EQ(presented->view()->superview(), window);
    EXPECT_EQ(journal, (Events{"modal.didLoad", "modal.willAppear", "root.willDisappear"}));
    clock->advance(UIViewControllerTransitionDuration - 0.01);
    EXPECT_EQ(completions, 0);
    clock->advance(0.01);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(presented->isBeingPresented());
    EXPECT_EQ(journal, (Events{"modal.didLoad", "modal.willAppear", "root.willDisappear", "modal.didAppear", "root.didDisappear"}));
}

TEST_F(UIViewControllerTest, PresentationWithoutAnimationCompletesAtOnce)
{
    auto root = makeController();
    auto presented = makeController();
    bool completed = false;
    root->presentViewController_animated_completion(presented, false, [&] { completed = true; });
    EXPECT_TRUE(completed);
    EXPECT_FALSE(presented->isBeingPresented());
    EXPECT_EQ(presented->events, (Events{"didLoad", "willAppear", "didAppear"}));
    // Not in a window: the presenter was not on screen, so it does not disappear.
    EXPECT_EQ(root->events, Events{});
}

TEST_F(UIViewControllerTest, SecondPresentationIsIgnored)
{
    // While a presentation runs, and after it ended: the first stays, the second's
    // completion never runs and it is not presented anywhere.
    for (double wait : {0.0, 1.0}) {
        auto root = makeController();
        auto first = makeController();
        auto second = makeController();
        bool secondCompleted = false;
        root->presentViewController_animated_completion(first, true, nullptr);
        clock->advance(wait);
        root->presentViewController_animated_completion(second, true, [&] { secondCompleted = true; });
        first->presentViewController_animated_completion(root, false, nullptr); // the presenter itself: refused
        clock->advance(1.0);
        EXPECT_EQ(root->presentedViewController(), first) << wait;
        EXPECT_EQ(second->presentingViewController(), nullptr) << wait;
        EXPECT_FALSE(secondCompleted) << wait;
        EXPECT_EQ(first->presentedViewController(), nullptr) << wait;
    }
}

TEST_F(UIViewControllerTest, ActiveControllersCannotBePresented)
{
    auto root = makeController();
    auto other = makeController();
    auto presented = makeController();
    auto child = makeController();
    root->presentViewController_animated_completion(presented, false, nullptr);
    other->addChildViewController(child);

    bool completed = false;
    other->presentViewController_animated_completion(presented, false, [&] { completed = true; }); // already presented
    other->presentViewController_animated_completion(child, false, [&] { completed = true; });     // a child
    other->presentViewController_animated_completion(nullptr, false, [&] { completed = true; });
    EXPECT_FALSE(completed);
    EXPECT_EQ(other->presentedViewController(), nullptr);
    EXPECT_EQ(presented->presentingViewController(), root);
}

TEST_F(UIViewControllerTest, DismissalFromEitherSideRestoresThePresenter)
{
    for (bool fromPresented : {false, true}) {
        Events journal;
        auto root = makeController("root", &journal);
        auto window = showWindow(root);
        auto presented = makeController("modal", &journal);
        root->presentViewController_animated_completion(presented, false, nullptr);
        journal.clear();
        int completions = 0;

        (fromPresented ? presented : root)->dismissViewControllerAnimated_completion(true, [&] { ++completions; });

        // Until the transition ends the presentation is still there, being dismissed.
        EXPECT_EQ(root->presentedViewController(), presented);
        EXPECT_TRUE(presented->isBeingDismissed());
        clock->advance(UIViewControllerTransitionDuration);
        EXPECT_EQ(completions, 1);
        EXPECT_EQ(root->presentedViewController(), nullptr);
        EXPECT_EQ(presented->presentingViewController(), nullptr);
        EXPECT_FALSE(presented->isBeingDismissed());
        EXPECT_EQ(presented->view()->superview(), nullptr);
        EXPECT_EQ(journal, (Events{"modal.willDisappear", "root.willAppear", "modal.didDisappear", "root.didAppear"})) << fromPresented;
    }
}

TEST_F(UIViewControllerTest, DismissingWithNothingPresentedDoesNothing)
{
    auto root = makeController();
    bool completed = false;
    root->dismissViewControllerAnimated_completion(false, [&] { completed = true; });
    clock->advance(1.0);
    EXPECT_FALSE(completed);
}

TEST_F(UIViewControllerTest, SecondDismissalWhileDismissingIsIgnored)
{
    auto root = makeController();
    auto presented = makeController();
    root->presentViewController_animated_completion(presented, false, nullptr);
    int completions = 0;
    root->dismissViewControllerAnimated_completion(true, [&] { ++completions; });
    root->dismissViewControllerAnimated_completion(true, [&] { ++completions; });
    clock->advance(1.0);
    EXPECT_EQ(completions, 1);
}

TEST_F(UIViewControllerTest, DismissalDuringPresentationWaitsForIt)
{
    auto root = makeController();
    auto presented = makeController();
    Events order;
    root->presentViewController_animated_completion(presented, true, [&] { order.push_back("presented"); });
    root->dismissViewControllerAnimated_completion(true, [&] { order.push_back("dismissed"); });
    clock->advance(UIViewControllerTransitionDuration);
    EXPECT_EQ(order, Events{"presented"});
    EXPECT_TRUE(presented->isBeingDismissed());
    clock->advance(UIViewControllerTransitionDuration);
    EXPECT_EQ(order, (Events{"presented", "dismissed"}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(presented->events, (Events{"didLoad", "willAppear", "didAppear", "willDisappear", "didDisappear"}));
}

TEST_F(UIViewControllerTest, DismissingAPresenterTakesAwayEverythingAboveIt)
{
    auto root = makeController();
    auto window = showWindow(root);
    auto middle = makeController();
    auto top = makeController();
    root->presentViewController_animated_completion(middle, false, nullptr);
    middle->presentViewController_animated_completion(top, false, nullptr);
    ASSERT_EQ(window->subviews().size(), 3u);

    root->dismissViewControllerAnimated_completion(false, nullptr);

    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(middle->presentedViewController(), nullptr);
    EXPECT_EQ(top->presentingViewController(), nullptr);
    EXPECT_EQ(window->subviews().size(), 1u);
    EXPECT_EQ(top->events.back(), "didDisappear");
    EXPECT_EQ(root->events.back(), "didAppear");
}

TEST_F(UIViewControllerTest, ChildPresentsOnBehalfOfItsParent)
{
    auto parent = makeController();
    auto child = makeController();
    parent->addChildViewController(child);
    auto presented = makeController();

    child->presentViewController_animated_completion(presented, false, nullptr);

    EXPECT_EQ(presented->presentingViewController(), parent);
    EXPECT_EQ(parent->presentedViewController(), presented);
    EXPECT_EQ(child->presentedViewController(), presented);
    // And a child of the presented screen dismisses it.
    auto inner = makeController();
    presented->addChildViewController(inner);
    inner->dismissViewControllerAnimated_completion(false, nullptr);
    EXPECT_EQ(parent->presentedViewController(), nullptr);
}

TEST_F(UIViewControllerTest, NavigationControllerIsAbsentWithoutOne)
{
    auto parent = makeController();
    auto child = makeController();
    parent->addChildViewController(child);
    EXPECT_EQ(child->navigationController(), nullptr);
    EXPECT_EQ(parent->navigationController(), nullptr);
}

TEST_F(UIViewControllerTest, ContainmentMessagesAndMoves)
{
    auto first = makeController();
    auto second = makeController();
    auto child = makeController();

    first->addChildViewController(child);
    EXPECT_EQ(child->parentViewController(), first);
    EXPECT_EQ(child->events, Events{"willMoveToParent"});
    EXPECT_TRUE(child->isMovingToParentViewController());
    child->didMoveToParentViewController(first);

    // Adding to another parent takes it from the first.
    child->clear();
    second->addChildViewController(child);
    EXPECT_TRUE(first->childViewControllers().empty());
    EXPECT_EQ(second->childViewControllers(), std::vector<std::shared_ptr<UIViewController>>{child});
    EXPECT_EQ(child->events, (Events{"didMoveToNil", "willMoveToParent"}));

    // Removal: the platform sends didMove(nil) itself.
    child->clear();
    child->willMoveToParentViewController(nullptr);
    child->removeFromParentViewController();
    EXPECT_EQ(child->parentViewController(), nullptr);
    EXPECT_TRUE(second->childViewControllers().empty());
    EXPECT_EQ(child->events, (Events{"willMoveToNil", "didMoveToNil"}));
    child->removeFromParentViewController(); // no parent: nothing
    EXPECT_EQ(child->events.size(), 2u);

    // No cycles.
    child->addChildViewController(second);
    second->addChildViewController(child);
    EXPECT_EQ(child->parentViewController(), nullptr);
}

TEST_F(UIViewControllerTest, ChildAppearsWithItsViewInAVisibleParent)
{
    auto parent = makeController();
    auto window = showWindow(parent);
    auto child = makeController();

    parent->addChildViewController(child);
    parent->view()->addSubview(child->view());
    child->didMoveToParentViewController(parent);
    EXPECT_EQ(child->events, (Events{"willMoveToParent", "didLoad", "willAppear", "didAppear", "didMoveToParent"}));
    EXPECT_TRUE(child->isVisible());

    // The remove-a-child sequence of the library: remove, tell, take the view away.
    child->clear();
    child->removeFromParentViewController();
    child->didMoveToParentViewController(nullptr);
    child->view()->removeFromSuperview();
    EXPECT_EQ(child->events, (Events{"didMoveToNil", "didMoveToNil", "willDisappear", "didDisappear"}));
    EXPECT_FALSE(child->isVisible());
}

TEST_F(UIViewControllerTest, ChildrenFollowTheirParentsAppearance)
{
    Events journal;
    auto parent = makeController("parent", &journal);
    auto child = makeController("child", &journal);
    parent->addChildViewController(child);
    parent->view()->addSubview(child->view());
    auto detached = makeController("detached", &journal); // a child whose view is elsewhere
    parent->addChildViewController(detached);
    journal.clear();

    auto window = showWindow(parent);
    EXPECT_EQ(journal, (Events{"parent.willAppear", "child.willAppear", "parent.didAppear", "child.didAppear"}));
}

TEST_F(UIViewControllerTest, RootReplacementSwapsAppearance)
{
    auto first = makeController();
    auto window = showWindow(first);
    auto second = makeController();
    first->clear();
    window->setRootViewController(second);
    EXPECT_EQ(first->events, (Events{"willDisappear", "didDisappear"}));
    EXPECT_EQ(second->events, (Events{"didLoad", "willAppear", "didAppear"}));
    EXPECT_EQ(second->view()->frame(), window->bounds());
    EXPECT_EQ(first->view()->superview(), nullptr);
}

TEST_F(UIViewControllerTest, LayoutHooksSurroundTheViewsLayout)
{
    struct LayingOut : RecordingViewController {
        void viewWillLayoutSubviews() override { events.push_back("willLayout"); }
        void viewDidLayoutSubviews() override { events.push_back("didLayout"); }
    };
    auto controller = std::make_shared<LayingOut>();
    auto window = showWindow(controller);
    EXPECT_EQ(controller->events, (Events{"didLoad", "willAppear", "willLayout", "didLayout", "didAppear"}));
}
