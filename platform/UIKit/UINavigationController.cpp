#include "UIKit/UINavigationController.h"

#include <algorithm>

#include "Foundation/NSTimer.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"

namespace {

// The status bar's height above the navigation bar.
constexpr double statusBarHeight = 20.0;

bool contains(const std::vector<std::shared_ptr<UIViewController>>& list, const std::shared_ptr<UIViewController>& controller)
{
    return std::find(list.begin(), list.end(), controller) != list.end();
}

} // namespace

// The navigation controller's own view: it lays out the bar and the top screen whenever its
// size changes.
class UINavigationContainerView : public UIView {
public:
    explicit UINavigationContainerView(std::weak_ptr<UINavigationController> owner) : m_owner(std::move(owner)) {}

    void layoutSubviews() override
    {
        UIView::layoutSubviews();
        if (auto owner = m_owner.lock())
            owner->layoutContent();
    }

private:
    std::weak_ptr<UINavigationController> m_owner;
};

UINavigationController::UINavigationController() = default;

UINavigationController::~UINavigationController()
{
    if (m_transitionTimer)
        m_transitionTimer->invalidate();
}

void UINavigationController::initWithRootViewController(const std::shared_ptr<UIViewController>& rootViewController)
{
    init();
    setViewControllers_animated({rootViewController}, false);
}

std::shared_ptr<UINavigationController> UINavigationController::selfAsNavigationController()
{
    return std::static_pointer_cast<UINavigationController>(shared_from_this());
}

// The stack --------------------------------------------------------------------------------

namespace {

// Whether `controller` may join `navigation`'s stack: it must be free, not a container of
// that kind, and not in use elsewhere. Logs why not.
bool canJoinStack(const std::shared_ptr<UINavigationController>& navigation, const std::shared_ptr<UIViewController>& controller,
                  const char* operation)
{
    if (!controller) {
        UIKitLog("%s: a null view controller; ignored", operation);
        return false;
    }
    if (std::dynamic_pointer_cast<UINavigationController>(controller)) {
        UIKitLog("%s: pushing a navigation controller (%p) is not supported; ignored", operation, static_cast<void*>(controller.get()));
        return false;
    }
    if (controller->parentViewController() == navigation) {
        UIKitLog("%s: %p is already in this navigation stack; ignored", operation, static_cast<void*>(controller.get()));
        return false;
    }
    for (std::shared_ptr<UIViewController> ancestor = navigation; ancestor; ancestor = ancestor->parentViewController()) {
        if (ancestor == controller) {
            UIKitLog("%s: %p contains this navigation controller; ignored", operation, static_cast<void*>(controller.get()));
            return false;
        }
    }
    auto view = controller->viewIfLoaded();
    if (controller->parentViewController() || controller->presentingViewController() ||
        (view && std::dynamic_pointer_cast<UIWindow>(view->superview()))) {
        UIKitLog("%s: %p is already in use (in another container, presented or a window's root); ignored", operation,
                 static_cast<void*>(controller.get()));
        return false;
    }
    return true;
}

} // namespace

void UINavigationController::setViewControllers_animated(const std::vector<std::shared_ptr<UIViewController>>& viewControllers,
                                                         bool animated)
{
    auto self = selfAsNavigationController();
    for (size_t i = 0; i < viewControllers.size(); ++i) {
        const auto& controller = viewControllers[i];
        if (std::find(viewControllers.begin(), viewControllers.begin() + i, controller) != viewControllers.begin() + i && controller) {
            UIKitLog("setViewControllers: %p appears twice; ignored", static_cast<void*>(controller.get()));
            return;
        }
        if (controller && contains(m_stack, controller))
            continue;
        if (!canJoinStack(self, controller, "setViewControllers"))
            return;
    }
    changeStack(viewControllers, animated);
}

void UINavigationController::pushViewController_animated(const std::shared_ptr<UIViewController>& viewController, bool animated)
{
    if (!canJoinStack(selfAsNavigationController(), viewController, "pushViewController"))
        return;
    auto stack = m_stack;
    stack.push_back(viewController);
    changeStack(std::move(stack), animated);
}

std::shared_ptr<UIViewController> UINavigationController::popViewControllerAnimated(bool animated)
{
    if (m_stack.size() < 2)
        return nullptr;
    auto popped = m_stack.back();
    changeStack({m_stack.begin(), m_stack.end() - 1}, animated);
    return popped;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToViewController_animated(
    const std::shared_ptr<UIViewController>& viewController, bool animated)
{
    auto it = std::find(m_stack.begin(), m_stack.end(), viewController);
    if (!viewController || it == m_stack.end()) {
        UIKitLog("popToViewController: %p is not in the navigation stack; ignored", static_cast<void*>(viewController.get()));
        return {};
    }
    std::vector<std::shared_ptr<UIViewController>> popped(it + 1, m_stack.end());
    if (popped.empty())
        return {};
    changeStack({m_stack.begin(), it + 1}, animated);
    return popped;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToRootViewControllerAnimated(bool animated)
{
    if (m_stack.empty())
        return {};
    return popToViewController_animated(m_stack.front(), animated);
}

std::shared_ptr<UIViewController> UINavigationController::visibleViewController() const
{
    if (auto presented = presentedViewController())
        return presented;
    return topViewController();
}

// Transitions ------------------------------------------------------------------------------

void UINavigationController::changeStack(std::vector<std::shared_ptr<UIViewController>> stack, bool animated)
{
    auto self = selfAsNavigationController();
    if (m_transition)
        finishTransition();

    auto transition = std::make_unique<Transition>();
    transition->from = topViewController();
    for (const auto& controller : m_stack)
        if (!contains(stack, controller))
            transition->removed.push_back(controller);
    for (const auto& controller : stack)
        if (!contains(m_stack, controller))
            transition->added.push_back(controller);

    for (const auto& controller : transition->removed) {
        controller->willMoveToParentViewController(nullptr);
        controller->setMovingFromParentViewController({}, true);
    }
    for (const auto& controller : transition->added)
        addChildViewController(controller); // willMoveToParentViewController(self)
    m_stack = std::move(stack);
    transition->to = topViewController();
    if (m_navigationBar)
        m_navigationBar->setNeedsLayout();

    const auto& from = transition->from;
    const auto& to = transition->to;
    bool onScreen = from != to && isAppearingOrVisible();
    if (onScreen) {
        // The incoming screen is ready before anything starts to move.
        if (to)
            to->loadViewIfNeeded();
        if (from)
            from->beginAppearanceTransition_animated(false, animated);
        if (to)
            to->beginAppearanceTransition_animated(true, animated);
        transition->appearance = true;
    }
    if (auto container = viewIfLoaded(); container && to && from != to) {
        auto view = to->view();
        view->setFrame(contentFrame());
        if (m_navigationBar && m_navigationBar->superview() == container)
            container->insertSubview_belowSubview(view, m_navigationBar);
        else
            container->addSubview(view);
    }

    m_transition = std::move(transition);
    if (animated && onScreen) {
        std::weak_ptr<UINavigationController> weakSelf = self;
        m_transitionTimer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(UIViewControllerTransitionDuration, false,
                                                                                  [weakSelf](const std::shared_ptr<NSTimer>&) {
                                                                                      if (auto strongSelf = weakSelf.lock())
                                                                                          strongSelf->finishTransition();
                                                                                  });
    } else {
        finishTransition();
    }
}

void UINavigationController::finishTransition()
{
    auto self = selfAsNavigationController();
    auto transition = std::move(m_transition);
    if (m_transitionTimer) {
        m_transitionTimer->invalidate();
        m_transitionTimer = nullptr;
    }
    if (!transition)
        return;
    const auto& from = transition->from;
    const auto& to = transition->to;
    if (transition->appearance) {
        if (from)
            from->endAppearanceTransition();
        if (to)
            to->endAppearanceTransition();
    }
    if (from && from != to) {
        auto view = from->viewIfLoaded();
        if (view && view->superview() == viewIfLoaded())
            view->removeFromSuperview();
        // Taken off screen while this controller itself was leaving it: its own end of
        // appearance no longer reaches a screen whose view is gone.
        if (!from->isOffScreen({})) {
            from->beginAppearanceTransition_animated(false, false);
            from->endAppearanceTransition();
        }
    }
    for (const auto& controller : transition->removed) {
        if (controller->parentViewController() == self)
            controller->removeFromParentViewController(); // didMoveToParentViewController(nullptr)
        controller->setMovingFromParentViewController({}, false);
    }
    for (const auto& controller : transition->added) {
        if (controller->parentViewController() == self)
            controller->didMoveToParentViewController(self);
        controller->setMovingToParentViewController({}, false);
    }
    setNeedsStatusBarAppearanceUpdate();
}

// Views and the bar ------------------------------------------------------------------------

void UINavigationController::loadView()
{
    auto container = std::make_shared<UINavigationContainerView>(std::static_pointer_cast<UINavigationController>(shared_from_this()));
    container->initWithFrame(UIScreen::mainScreen()->bounds());
    setView(container);
    container->addSubview(navigationBar());
    if (auto top = topViewController()) {
        auto view = top->view();
        container->insertSubview_belowSubview(view, m_navigationBar);
    }
    layoutContent();
}

std::shared_ptr<UINavigationBar> UINavigationController::navigationBar()
{
    if (!m_navigationBar) {
        m_navigationBar = std::make_shared<UINavigationBar>();
        double width = viewIfLoaded() ? viewIfLoaded()->bounds().size.width : UIScreen::mainScreen()->bounds().size.width;
        m_navigationBar->initWithFrame(CGRectMake(0, statusBarHeight, width, UINavigationBarHeight));
        m_navigationBar->m_navigationController = selfAsNavigationController();
        m_navigationBar->setHidden(m_navigationBarHidden);
    }
    return m_navigationBar;
}

void UINavigationController::setNavigationBarHidden_animated(bool hidden, bool animated)
{
    if (hidden == m_navigationBarHidden)
        return;
    m_navigationBarHidden = hidden;
    navigationBar()->setHidden(hidden);
    layoutContent();
    setNeedsStatusBarAppearanceUpdate();
}

CGRect UINavigationController::contentFrame() const
{
    auto container = viewIfLoaded();
    CGRect bounds = container ? container->bounds() : UIScreen::mainScreen()->bounds();
    if (m_navigationBarHidden)
        return bounds;
    double top = std::min(statusBarHeight + UINavigationBarHeight, bounds.size.height);
    return CGRectMake(bounds.origin.x, bounds.origin.y + top, bounds.size.width, bounds.size.height - top);
}

void UINavigationController::layoutContent()
{
    auto container = viewIfLoaded();
    if (!container)
        return;
    if (m_navigationBar) {
        m_navigationBar->setFrame(CGRectMake(0, statusBarHeight, container->bounds().size.width, UINavigationBarHeight));
        // Its touch targets follow the top screen's items.
        m_navigationBar->setNeedsLayout();
    }
    auto frame = contentFrame();
    for (const auto& controller : {topViewController(), m_transition ? m_transition->from : nullptr}) {
        auto view = controller ? controller->viewIfLoaded() : nullptr;
        if (view && view->superview() == container)
            view->setFrame(frame);
    }
}

UIStatusBarStyle UINavigationController::preferredStatusBarStyle() const
{
    if (m_navigationBarHidden) {
        auto top = topViewController();
        return top ? top->preferredStatusBarStyle() : UIStatusBarStyle::Default;
    }
    return m_navigationBar && m_navigationBar->barStyle() == UIBarStyle::Black ? UIStatusBarStyle::LightContent
                                                                                : UIStatusBarStyle::Default;
}
