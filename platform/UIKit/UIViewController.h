#pragma once
// A screen: it owns a view, loaded on first use (loadView, then viewDidLoad), hears when its
// view appears and disappears, contains child view controllers, and presents other view
// controllers modally over itself.
//
// Presentation: a presentation is made by the top of the presenter's parent chain (so a
// screen inside a container presents on behalf of the container, as on the platform).
// An animated presentation or dismissal completes when the main run loop's clock passes
// UIViewControllerTransitionDuration; one that is not animated completes at once. The
// presented controller stays readable (presentedViewController) until its dismissal has
// completed. While one controller is presented (or still being presented or dismissed), a
// second presentation from the same place is logged and ignored. A dismissal asked for while
// the presentation is still running starts when it ends, so it is never lost.
// Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/Badge.h"
#include "UIKit/UIResponder.h"
#include "UIKit/UIStatusBarStyle.h"

class UIView;
class UILayoutGuide;
class UINavigationItem;
class UINavigationController;
class UITabBarController;

enum class UIModalPresentationStyle : long {
    FullScreen = 0,
    PageSheet = 1,
    FormSheet = 2,
    CurrentContext = 3,
    Custom = 4,
    OverFullScreen = 5,
    OverCurrentContext = 6,
    Popover = 7,
    None = -1,
    Automatic = -2,
};

// Duration of an animated presentation or dismissal, in seconds of the run loop's clock.
inline constexpr double UIViewControllerTransitionDuration = 0.3;

class UIViewController : public std::enable_shared_from_this<UIViewController>, public UIResponder {
public:
    // After the controller, touches go on to its view's superview.
    std::shared_ptr<UIResponder> nextResponder() const override;

    UIViewController();
    virtual ~UIViewController();

    // Initialisers funnel into init; the view is not loaded by them.
    virtual void init() {}

    // The view, loaded on first access.
    std::shared_ptr<UIView> view();
    std::shared_ptr<UIView> viewIfLoaded() const { return m_view; }
    void setView(const std::shared_ptr<UIView>& view);
    bool isViewLoaded() const { return m_view != nullptr; }
    // Makes the view; the default is a plain view of the main screen's size.
    virtual void loadView();
    void loadViewIfNeeded();

    // Lifecycle hooks (subclasses call the base first, as on the platform; the bases are empty).
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool animated) {}
    virtual void viewDidAppear(bool animated) {}
    virtual void viewWillDisappear(bool animated) {}
    virtual void viewDidDisappear(bool animated) {}
    virtual void viewWillLayoutSubviews() {}
    virtual void viewDidLayoutSubviews() {}

    // Appearance state: driven by windows, presentation and containment. A transition that
    // does not change the state (appearing while already appearing or shown) is ignored.
    // Children whose views are in this controller's view follow automatically unless
    // shouldAutomaticallyForwardAppearanceMethods answers false.
    void beginAppearanceTransition_animated(bool isAppearing, bool animated);
    void endAppearanceTransition();
    virtual bool shouldAutomaticallyForwardAppearanceMethods() const { return true; }
    // True between viewDidAppear and viewWillDisappear.
    bool isVisible() const { return m_appearance == Appearance::Shown; }

    // Title; setting it also titles the navigation item.
    const std::optional<std::string>& title() const { return m_title; }
    virtual void setTitle(const std::optional<std::string>& title);
    std::shared_ptr<UINavigationItem> navigationItem();

    // Containment. addChildViewController sends the child willMoveToParentViewController(this);
    // the caller adds the child's view and then sends didMoveToParentViewController(this).
    // removeFromParentViewController sends didMoveToParentViewController(nullptr); the caller
    // sends willMoveToParentViewController(nullptr) before it and removes the view.
    std::shared_ptr<UIViewController> parentViewController() const { return m_parent.lock(); }
    std::vector<std::shared_ptr<UIViewController>> childViewControllers() const { return m_children; }
    virtual void addChildViewController(const std::shared_ptr<UIViewController>& child);
    virtual void removeFromParentViewController();
    virtual void willMoveToParentViewController(const std::shared_ptr<UIViewController>& parent) {}
    virtual void didMoveToParentViewController(const std::shared_ptr<UIViewController>& parent) {}
    // True while the controller is being added to / removed from a parent (between the two
    // containment messages), read in the appearance hooks.
    bool isMovingToParentViewController() const { return m_movingToParent; }
    bool isMovingFromParentViewController() const { return m_movingFromParent; }

    // The nearest navigation controller among the ancestors; nullptr when there is none.
    std::shared_ptr<UINavigationController> navigationController() const;
    // The nearest tab bar controller among the ancestors; nullptr when there is none.
    std::shared_ptr<UITabBarController> tabBarController() const;

    // Guides in the view (loading it) covering what the bars hide of it: at the top the
    // status bar and a visible navigation bar, as far as they overlap the view; at the bottom
    // nothing, as no tool or tab bar covers a screen here (UIViewControllerLayoutGuides.cpp).
    std::shared_ptr<UILayoutGuide> topLayoutGuide();
    std::shared_ptr<UILayoutGuide> bottomLayoutGuide();

    // Modal presentation.
    void presentViewController_animated_completion(const std::shared_ptr<UIViewController>& viewController, bool animated,
                                                   std::function<void()> completion);
    // Dismisses what this controller (or the top of its parent chain) presents, with
    // everything presented above that; when nothing is presented, dismisses this controller
    // from its presenter. Nothing to dismiss: nothing happens and the completion is not called.
    void dismissViewControllerAnimated_completion(bool animated, std::function<void()> completion);
    // The older form of the same presentation: no completion.
    void presentModalViewController_animated(const std::shared_ptr<UIViewController>& viewController, bool animated);
    std::shared_ptr<UIViewController> presentedViewController() const;
    std::shared_ptr<UIViewController> presentingViewController() const;
    bool isBeingPresented() const { return m_beingPresented; }
    bool isBeingDismissed() const { return m_beingDismissed; }
    UIModalPresentationStyle modalPresentationStyle() const { return m_modalPresentationStyle; }
    void setModalPresentationStyle(UIModalPresentationStyle style) { m_modalPresentationStyle = style; }

    // Status bar: with view-controller-based status bar appearance (the app's default), the
    // application shows the preferred style of the top-most presented screen of the key
    // window once a screen asks for an update.
    virtual UIStatusBarStyle preferredStatusBarStyle() const { return UIStatusBarStyle::Default; }
    // Whether the status bar hides while this screen decides it (the application's
    // isStatusBarHidden); a container names the child that decides instead.
    virtual bool prefersStatusBarHidden() const { return false; }
    virtual std::shared_ptr<UIViewController> childViewControllerForStatusBarHidden() const { return nullptr; }
    void setNeedsStatusBarAppearanceUpdate();

    // The controller's view went into a window (true) or left it (false).
    void viewMovedToWindow(kvn::Badge<UIView>, bool inWindow);
    // For a navigation controller that removes a child with an appearance transition (a pop):
    // the child reads the flags in its disappearance hooks.
    void setMovingFromParentViewController(kvn::Badge<UINavigationController>, bool moving) { m_movingFromParent = moving; }
    void setMovingToParentViewController(kvn::Badge<UINavigationController>, bool moving) { m_movingToParent = moving; }
    // For a navigation controller taking a screen off its stack: neither on screen nor on its way
    // there or away.
    bool isOffScreen(kvn::Badge<UINavigationController>) const { return m_appearance == Appearance::Hidden; }

protected:
    // Whether what lies below this controller's view, in every window, shows dimmed (its tint
    // adjustment mode Dimmed) while it is presented: alerts, sheets and popovers, as on the
    // platform. The dimming comes as the presentation starts and goes as its dismissal starts.
    virtual bool dimsWhatLiesBehindWhenPresented() const;

    // A navigation controller answers itself; every other controller nullptr.
    virtual std::shared_ptr<UINavigationController> selfAsNavigationController() { return nullptr; }
    // The controller that presents on this one's behalf: the top of its parent chain.
    std::shared_ptr<UIViewController> presentationHost() const;
    // True while this controller is on screen or on its way there: containers start their
    // children's transitions only then.
    bool isAppearingOrVisible() const { return m_appearance == Appearance::Appearing || m_appearance == Appearance::Shown; }

private:
    enum class Appearance { Hidden, Appearing, Shown, Disappearing };
    // A view this presentation dimmed, with the mode of its own it gets back.
    struct DimmedView;

    void dimWhatLiesBehind();
    void undimWhatLiesBehind();

    void forwardAppearance(const std::function<void(UIViewController&)>& step);
    void finishPresentation(const std::function<void()>& completion);
    void startDismissal(bool animated, std::function<void()> completion);
    void finishDismissal(const std::vector<std::shared_ptr<UIViewController>>& chain, const std::function<void()>& completion);

    std::shared_ptr<UIView> m_view;
    std::optional<std::string> m_title;
    std::shared_ptr<UINavigationItem> m_navigationItem;
    std::weak_ptr<UIViewController> m_parent;
    std::vector<std::shared_ptr<UIViewController>> m_children;
    std::shared_ptr<UIViewController> m_presented;
    std::weak_ptr<UIViewController> m_presenting;
    UIModalPresentationStyle m_modalPresentationStyle = UIModalPresentationStyle::FullScreen;
    Appearance m_appearance = Appearance::Hidden;
    bool m_appearingAnimated = false;
    bool m_beingPresented = false;
    bool m_beingDismissed = false;
    // Set on a presented controller whose presentation made its (visible) presenter disappear.
    bool m_coveredPresenter = false;
    // A dismissal asked for while the presentation was still running; it starts when that ends.
    std::function<void()> m_pendingDismissal;
    bool m_movingToParent = false;
    bool m_movingFromParent = false;
    bool m_loadingView = false;
    std::shared_ptr<UILayoutGuide> m_topLayoutGuide;
    std::shared_ptr<UILayoutGuide> m_bottomLayoutGuide;
    std::vector<DimmedView> m_dimmedBehind;
};
