#pragma once
// A stack of screens: the top one fills the view below the navigation bar; pushing and
// popping change the stack and move the screens on and off, with their appearance and
// containment messages.
//
// The stack (viewControllers, topViewController) changes at once; an animated change
// finishes when the main run loop's clock passes UIViewControllerTransitionDuration: then the
// outgoing screen has disappeared and left the view, the incoming one has appeared, and the
// containment messages are complete (pushed: didMoveToParentViewController(this); popped:
// didMoveToParentViewController(nullptr)). A change asked for while another is still running
// finishes the running one at once first, so neither is lost. Screens only appear and
// disappear while the navigation controller itself is on screen; otherwise they follow it
// when it appears.
//
// Misuse is logged and ignored, never fatal: pushing a screen that already has a parent (in
// this stack or another container), is presented, or is a navigation controller; popping the
// last screen; popping to a screen that is not in the stack.
//
// The status bar: while the bar is shown its style decides (black: light content); while it
// is hidden the top screen decides. Main thread only.
#include <memory>
#include <vector>

#include "UIKit/UINavigationBar.h"
#include "UIKit/UIViewController.h"

class NSTimer;

class UINavigationController : public UIViewController {
public:
    UINavigationController();
    ~UINavigationController() override;

    void initWithRootViewController(const std::shared_ptr<UIViewController>& rootViewController);

    // Bottom first; the last is the top.
    std::vector<std::shared_ptr<UIViewController>> viewControllers() const { return m_stack; }
    void setViewControllers(const std::vector<std::shared_ptr<UIViewController>>& viewControllers)
    {
        setViewControllers_animated(viewControllers, false);
    }
    // Replaces the stack. Screens that stay keep their place in the containment tree; the
    // top changes with a push-like transition. Refused (logged) as a whole when the list
    // holds a null, a duplicate, a navigation controller, or a screen of another container or
    // a presented one.
    void setViewControllers_animated(const std::vector<std::shared_ptr<UIViewController>>& viewControllers, bool animated);

    void pushViewController_animated(const std::shared_ptr<UIViewController>& viewController, bool animated);
    // The popped screen; nullptr (and nothing happens) when only the root is left.
    std::shared_ptr<UIViewController> popViewControllerAnimated(bool animated);
    // Pops every screen above `viewController`; returns them bottom first. A screen that is
    // not in the stack, or is the top already: nothing happens and the list is empty.
    std::vector<std::shared_ptr<UIViewController>> popToViewController_animated(const std::shared_ptr<UIViewController>& viewController,
                                                                                bool animated);
    std::vector<std::shared_ptr<UIViewController>> popToRootViewControllerAnimated(bool animated);

    std::shared_ptr<UIViewController> topViewController() const { return m_stack.empty() ? nullptr : m_stack.back(); }
    // What the user sees of this navigation controller: a screen it presents, else the top.
    std::shared_ptr<UIViewController> visibleViewController() const;

    std::shared_ptr<UINavigationBar> navigationBar();
    bool isNavigationBarHidden() const { return m_navigationBarHidden; }
    void setNavigationBarHidden(bool hidden) { setNavigationBarHidden_animated(hidden, false); }
    // The animation applies its end state at once.
    void setNavigationBarHidden_animated(bool hidden, bool animated);

    void loadView() override;
    UIStatusBarStyle preferredStatusBarStyle() const override;
    // The screen on top decides whether the status bar hides.
    std::shared_ptr<UIViewController> childViewControllerForStatusBarHidden() const override { return topViewController(); }

protected:
    std::shared_ptr<UINavigationController> selfAsNavigationController() override;

private:
    friend class UINavigationContainerView;

    struct Transition {
        std::shared_ptr<UIViewController> from;
        std::shared_ptr<UIViewController> to;
        std::vector<std::shared_ptr<UIViewController>> added;
        std::vector<std::shared_ptr<UIViewController>> removed;
        bool appearance = false; // the screens' appearance transitions were started
    };

    void changeStack(std::vector<std::shared_ptr<UIViewController>> stack, bool animated);
    void finishTransition();
    // Where the top screen's view goes: the view's bounds below the bar, when it is shown.
    CGRect contentFrame() const;
    void layoutContent();

    std::vector<std::shared_ptr<UIViewController>> m_stack;
    std::shared_ptr<UINavigationBar> m_navigationBar;
    bool m_navigationBarHidden = false;
    std::unique_ptr<Transition> m_transition;
    std::shared_ptr<NSTimer> m_transitionTimer;
};
