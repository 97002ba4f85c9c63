#include "UIKit/UIViewController.h"

#include <algorithm>

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSTimer.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UINavigationItem.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITabBarController.h"
#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"

namespace {

// Presentation styles whose presented screen hides its presenter entirely; the others
// (overlays such as alerts) leave the presenter on screen, so it neither disappears nor
// reappears.
bool coversPresenter(UIModalPresentationStyle style)
{
    return style != UIModalPresentationStyle::OverFullScreen && style != UIModalPresentationStyle::OverCurrentContext &&
           style != UIModalPresentationStyle::Custom;
}

// Runs `block` after the transition's duration on the main run loop's clock, or at once.
void afterTransition(bool animated, std::function<void()> block)
{
    if (!animated) {
        block();
        return;
    }
    NSTimer::scheduledTimerWithTimeInterval_repeats_block(UIViewControllerTransitionDuration, false,
                                                         [block = std::move(block)](const std::shared_ptr<NSTimer>&) { block(); });
}

} // namespace

struct UIViewController::DimmedView {
    std::weak_ptr<UIView> view;
    UIViewTintAdjustmentMode ownMode;
};

UIViewController::UIViewController() = default;
UIViewController::~UIViewController() = default;

// View ---------------------------------------------------------------------------------

std::shared_ptr<UIView> UIViewController::view()
{
    KVN_ASSERT_MAIN_THREAD();
    loadViewIfNeeded();
    return m_view;
}

void UIViewController::loadViewIfNeeded()
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_view || m_loadingView)
        return;
    m_loadingView = true;
    loadView();
    if (!m_view) {
        UIKitLog("loadView set no view; a plain view is used");
        UIViewController::loadView();
    }
    m_loadingView = false;
    viewDidLoad();
}

void UIViewController::loadView()
{
    auto view = std::make_shared<UIView>();
    view->initWithFrame(UIScreen::mainScreen()->bounds());
    setView(view);
}

void UIViewController::setView(const std::shared_ptr<UIView>& view)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_view == view)
        return;
    if (m_view)
        m_view->setOwningViewController({}, {});
    m_view = view;
    if (m_view)
        m_view->setOwningViewController({}, weak_from_this());
}

// Appearance ---------------------------------------------------------------------------

void UIViewController::beginAppearanceTransition_animated(bool isAppearing, bool animated)
{
    KVN_ASSERT_MAIN_THREAD();
    if (isAppearing) {
        if (m_appearance == Appearance::Appearing || m_appearance == Appearance::Shown)
            return;
        auto self = shared_from_this();
        loadViewIfNeeded();
        m_appearance = Appearance::Appearing;
        m_appearingAnimated = animated;
        viewWillAppear(animated);
        forwardAppearance([animated](UIViewController& child) { child.beginAppearanceTransition_animated(true, animated); });
    } else {
        if (m_appearance == Appearance::Disappearing || m_appearance == Appearance::Hidden)
            return;
        auto self = shared_from_this();
        m_appearance = Appearance::Disappearing;
        m_appearingAnimated = animated;
        viewWillDisappear(animated);
        forwardAppearance([animated](UIViewController& child) { child.beginAppearanceTransition_animated(false, animated); });
    }
}

void UIViewController::endAppearanceTransition()
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = shared_from_this();
    if (m_appearance == Appearance::Appearing) {
        if (m_view)
            m_view->layoutIfNeeded();
        m_appearance = Appearance::Shown;
        viewDidAppear(m_appearingAnimated);
    } else if (m_appearance == Appearance::Disappearing) {
        m_appearance = Appearance::Hidden;
        viewDidDisappear(m_appearingAnimated);
    } else {
        return;
    }
    forwardAppearance([](UIViewController& child) { child.endAppearanceTransition(); });
    m_movingToParent = false;
    m_movingFromParent = false;
}

void UIViewController::forwardAppearance(const std::function<void(UIViewController&)>& step)
{
    if (!shouldAutomaticallyForwardAppearanceMethods() || !m_view)
        return;
    auto children = m_children;
    for (const auto& child : children)
        if (child->m_view && child->m_view->isDescendantOfView(m_view))
            step(*child);
}

void UIViewController::viewMovedToWindow(kvn::Badge<UIView>, bool inWindow)
{
    // Children appear with their views when their parent is on screen; roots of windows
    // and presented screens are driven by the window and the presentation, which start
    // their transitions before the view moves (so the state checks below skip them). A view
    // that leaves the window takes its shown controller off screen, whoever drove it there
    // (a child removed before its view, as containers do).
    auto parent = m_parent.lock();
    if (inWindow) {
        // A container that already started this child's transition (a navigation controller's
        // push) finishes it itself, on its own clock.
        if (!parent || m_appearance != Appearance::Hidden)
            return;
        if (parent->m_appearance == Appearance::Shown) {
            beginAppearanceTransition_animated(true, false);
            endAppearanceTransition();
        } else if (parent->m_appearance == Appearance::Appearing) {
            beginAppearanceTransition_animated(true, parent->m_appearingAnimated);
        }
    } else if (m_appearance == Appearance::Shown || m_appearance == Appearance::Appearing) {
        beginAppearanceTransition_animated(false, false);
        endAppearanceTransition();
    }
}

// Title --------------------------------------------------------------------------------

void UIViewController::setTitle(const std::optional<std::string>& title)
{
    KVN_ASSERT_MAIN_THREAD();
    m_title = title;
    navigationItem()->setTitle(title);
}

std::shared_ptr<UINavigationItem> UIViewController::navigationItem()
{
    if (!m_navigationItem) {
        m_navigationItem = std::make_shared<UINavigationItem>();
        m_navigationItem->setTitle(m_title);
    }
    return m_navigationItem;
}

// Containment --------------------------------------------------------------------------

void UIViewController::addChildViewController(const std::shared_ptr<UIViewController>& child)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!child || child.get() == this)
        return;
    auto self = shared_from_this();
    if (child->parentViewController() == self)
        return;
    for (auto ancestor = parentViewController(); ancestor; ancestor = ancestor->parentViewController())
        if (ancestor == child) {
            UIKitLog("cannot add a view controller as a child of its own descendant; ignored");
            return;
        }
    if (child->parentViewController())
        child->removeFromParentViewController();
    child->m_movingToParent = true;
    child->willMoveToParentViewController(self);
    m_children.push_back(child);
    child->m_parent = self;
}

void UIViewController::removeFromParentViewController()
{
    KVN_ASSERT_MAIN_THREAD();
    auto parent = m_parent.lock();
    if (!parent)
        return;
    auto self = shared_from_this(); // the parent may hold the last reference
    std::erase(parent->m_children, self);
    m_parent.reset();
    m_movingToParent = false;
    didMoveToParentViewController(nullptr);
}

std::shared_ptr<UINavigationController> UIViewController::navigationController() const
{
    for (auto ancestor = parentViewController(); ancestor; ancestor = ancestor->parentViewController())
        if (auto navigation = ancestor->selfAsNavigationController())
            return navigation;
    return nullptr;
}

std::shared_ptr<UITabBarController> UIViewController::tabBarController() const
{
    for (auto ancestor = parentViewController(); ancestor; ancestor = ancestor->parentViewController())
        if (auto tabs = std::dynamic_pointer_cast<UITabBarController>(ancestor))
            return tabs;
    return nullptr;
}

// Presentation -------------------------------------------------------------------------

std::shared_ptr<UIViewController> UIViewController::presentationHost() const
{
    auto host = std::const_pointer_cast<UIViewController>(shared_from_this());
    while (auto parent = host->parentViewController())
        host = parent;
    return host;
}

std::shared_ptr<UIViewController> UIViewController::presentedViewController() const
{
    return presentationHost()->m_presented;
}

std::shared_ptr<UIViewController> UIViewController::presentingViewController() const
{
    return presentationHost()->m_presenting.lock();
}

void UIViewController::presentViewController_animated_completion(const std::shared_ptr<UIViewController>& viewController, bool animated,
                                                                 std::function<void()> completion)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!viewController) {
        UIKitLog("attempt to present a null view controller; ignored");
        return;
    }
    auto host = presentationHost();
    if (host->m_presented) {
        UIKitLog("Warning: Attempt to present %p on %p which is already presenting %p; ignored", static_cast<void*>(viewController.get()),
                 static_cast<void*>(this), static_cast<void*>(host->m_presented.get()));
        return;
    }
    bool active = viewController == host || viewController->m_presenting.lock() || viewController->parentViewController();
    for (auto below = host; below && !active; below = below->presentingViewController())
        active = below == viewController;
    if (active) {
        UIKitLog("Application tried to present modally an active controller %p; ignored", static_cast<void*>(viewController.get()));
        return;
    }

    host->m_presented = viewController;
    viewController->m_presenting = host;
    viewController->m_beingPresented = true;
    viewController->m_coveredPresenter = false;
    viewController->loadViewIfNeeded();

    viewController->beginAppearanceTransition_animated(true, animated);
    if (coversPresenter(viewController->modalPresentationStyle()) &&
        (host->m_appearance == Appearance::Shown || host->m_appearance == Appearance::Appearing)) {
        viewController->m_coveredPresenter = true;
        host->beginAppearanceTransition_animated(false, animated);
    }
    if (auto window = host->m_view ? host->m_view->window() : nullptr) {
        viewController->m_view->setFrame(window->bounds());
        window->addSubview(viewController->m_view);
    }
    if (viewController->dimsWhatLiesBehindWhenPresented())
        viewController->dimWhatLiesBehind();
    afterTransition(animated, [viewController, completion = std::move(completion)] { viewController->finishPresentation(completion); });
}

void UIViewController::presentModalViewController_animated(const std::shared_ptr<UIViewController>& viewController, bool animated)
{
    presentViewController_animated_completion(viewController, animated, nullptr);
}

void UIViewController::finishPresentation(const std::function<void()>& completion)
{
    auto self = shared_from_this();
    m_beingPresented = false;
    endAppearanceTransition();
    if (auto presenter = m_presenting.lock(); presenter && m_coveredPresenter)
        presenter->endAppearanceTransition();
    UIApplication::sharedApplication()->updateStatusBarAppearance();
    if (completion)
        completion();
    if (m_pendingDismissal) {
        auto pending = std::move(m_pendingDismissal);
        m_pendingDismissal = nullptr;
        pending();
    }
}

void UIViewController::dismissViewControllerAnimated_completion(bool animated, std::function<void()> completion)
{
    KVN_ASSERT_MAIN_THREAD();
    auto host = presentationHost();
    auto target = host->m_presented;
    if (!target) {
        if (!host->m_presenting.lock())
            return; // nothing presented, and not presented itself
        target = host;
    }
    if (target->m_beingDismissed) {
        UIKitLog("Warning: Attempt to dismiss %p while its dismissal is in progress; ignored", static_cast<void*>(target.get()));
        return;
    }
    target->startDismissal(animated, std::move(completion));
}

void UIViewController::startDismissal(bool animated, std::function<void()> completion)
{
    auto self = shared_from_this();
    std::vector<std::shared_ptr<UIViewController>> chain;
    for (auto c = self; c; c = c->presentedViewController())
        chain.push_back(c);

    // A dismissal asked for during a presentation waits for it instead of being lost.
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if ((*it)->m_beingPresented) {
            if ((*it)->m_pendingDismissal) {
                UIKitLog("Warning: Attempt to dismiss %p while a dismissal is pending; ignored", static_cast<void*>(this));
                return;
            }
            (*it)->m_pendingDismissal = [self, animated, completion = std::move(completion)]() mutable {
                if (self->m_presenting.lock() && !self->m_beingDismissed)
                    self->startDismissal(animated, std::move(completion));
            };
            return;
        }
    }

    for (const auto& c : chain)
        c->m_beingDismissed = true;
    // The top-most presentation gives back first, so a view dimmed twice ends as it began.
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        (*it)->undimWhatLiesBehind();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        (*it)->beginAppearanceTransition_animated(false, animated);
    if (auto presenter = m_presenting.lock(); presenter && m_coveredPresenter)
        presenter->beginAppearanceTransition_animated(true, animated);
    afterTransition(animated, [self, chain, completion = std::move(completion)] { self->finishDismissal(chain, completion); });
}

void UIViewController::finishDismissal(const std::vector<std::shared_ptr<UIViewController>>& chain, const std::function<void()>& completion)
{
    auto presenter = m_presenting.lock();
    bool coveredPresenter = m_coveredPresenter;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const auto& c = *it;
        if (c->m_view && std::dynamic_pointer_cast<UIWindow>(c->m_view->superview()))
            c->m_view->removeFromSuperview();
        c->endAppearanceTransition();
        if (auto below = c->m_presenting.lock(); below && below->m_presented == c)
            below->m_presented.reset();
        c->m_presenting.reset();
        c->m_beingDismissed = false;
        c->m_coveredPresenter = false;
        c->m_pendingDismissal = nullptr;
    }
    if (presenter && coveredPresenter)
        presenter->endAppearanceTransition();
    UIApplication::sharedApplication()->updateStatusBarAppearance();
    if (completion)
        completion();
}

// Dimming behind a presentation --------------------------------------------------------

bool UIViewController::dimsWhatLiesBehindWhenPresented() const
{
    switch (m_modalPresentationStyle) {
    case UIModalPresentationStyle::PageSheet:
    case UIModalPresentationStyle::FormSheet:
    case UIModalPresentationStyle::Popover:
        return true;
    default:
        return false;
    }
}

void UIViewController::dimWhatLiesBehind()
{
    undimWhatLiesBehind();
    // A presentation that shows nowhere dims nothing.
    if (!m_view || !m_view->window())
        return;
    auto windows = UIApplication::sharedApplication()->windows();
    if (auto own = m_view->window(); std::find(windows.begin(), windows.end(), own) == windows.end())
        windows.push_back(own);
    for (const auto& window : windows) {
        // Of this controller's own window, what lies below its view; of the others, all.
        for (const auto& view : window->subviews()) {
            if (view == m_view)
                break;
            if (view->tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed)
                continue;
            m_dimmedBehind.push_back({view, view->ownTintAdjustmentMode()});
            view->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
        }
    }
}

void UIViewController::undimWhatLiesBehind()
{
    auto dimmed = std::move(m_dimmedBehind);
    m_dimmedBehind.clear();
    for (auto it = dimmed.rbegin(); it != dimmed.rend(); ++it)
        if (auto view = it->view.lock(); view && view->ownTintAdjustmentMode() == UIViewTintAdjustmentModeDimmed)
            view->setTintAdjustmentMode(it->ownMode);
}

// Status bar ---------------------------------------------------------------------------

void UIViewController::setNeedsStatusBarAppearanceUpdate()
{
    KVN_ASSERT_MAIN_THREAD();
    UIApplication::sharedApplication()->updateStatusBarAppearance();
}

std::shared_ptr<UIResponder> UIViewController::nextResponder() const
{
    return m_view ? m_view->superview() : nullptr;
}
