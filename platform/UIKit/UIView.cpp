#include "UIKit/UIView.h"

#include <algorithm>

#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSTimer.h"
#include "UIKit/LayoutEngine.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGestureRecognizer.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

namespace {

// The platform's default tint (a blue), shown by views whose chain sets none.
std::shared_ptr<UIColor> systemTintColor()
{
    static const auto color = UIColor::colorWithRed_green_blue_alpha(0.0, 122.0 / 255.0, 1.0, 1.0);
    return color;
}

} // namespace

UIView::UIView() = default;
UIView::~UIView() = default;

void UIView::initWithFrame(CGRect frame)
{
    KVN_ASSERT_MAIN_THREAD();
    setFrame(frame);
}

CGRect UIView::frame() const
{
    return CGRectMake(m_center.x - m_bounds.size.width / 2, m_center.y - m_bounds.size.height / 2, m_bounds.size.width,
                      m_bounds.size.height);
}

void UIView::setFrame(CGRect frame)
{
    KVN_ASSERT_MAIN_THREAD();
    if (frame.size != m_bounds.size)
        setNeedsLayout();
    m_bounds.size = frame.size;
    m_center = CGPointMake(frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2);
}

void UIView::setBounds(CGRect bounds)
{
    KVN_ASSERT_MAIN_THREAD();
    if (bounds.size != m_bounds.size)
        setNeedsLayout();
    m_bounds = bounds;
}

void UIView::setCenter(CGPoint center)
{
    KVN_ASSERT_MAIN_THREAD();
    m_center = center;
}

std::shared_ptr<UIWindow> UIView::window() const
{
    const UIView* root = this;
    while (auto parent = root->m_superview.lock())
        root = parent.get();
    if (root == this)
        return nullptr; // a window answers for itself (UIWindow::window)
    return root->window();
}

namespace {

// Views without a superview measure in their own bounds: the root of a tree is the common
// frame of reference.
CGPoint toRoot(const UIView* view, CGPoint point)
{
    for (const UIView* v = view; v;) {
        auto parent = v->superview();
        if (!parent)
            break;
        CGRect frame = v->frame();
        point.x += frame.origin.x - v->bounds().origin.x;
        point.y += frame.origin.y - v->bounds().origin.y;
        v = parent.get();
    }
    return point;
}

CGPoint fromRoot(const UIView* view, CGPoint point)
{
    CGPoint offset = toRoot(view, CGPointMake(0, 0));
    return CGPointMake(point.x - offset.x, point.y - offset.y);
}

}

CGPoint UIView::convertPoint_toView(CGPoint point, const std::shared_ptr<UIView>& view) const
{
    CGPoint root = toRoot(this, point);
    return view ? fromRoot(view.get(), root) : root;
}

CGPoint UIView::convertPoint_fromView(CGPoint point, const std::shared_ptr<UIView>& view) const
{
    CGPoint root = view ? toRoot(view.get(), point) : point;
    return fromRoot(this, root);
}

CGRect UIView::convertRect_toView(CGRect rect, const std::shared_ptr<UIView>& view) const
{
    rect.origin = convertPoint_toView(rect.origin, view);
    return rect;
}

CGRect UIView::convertRect_fromView(CGRect rect, const std::shared_ptr<UIView>& view) const
{
    rect.origin = convertPoint_fromView(rect.origin, view);
    return rect;
}

std::shared_ptr<UIResponder> UIView::nextResponder() const
{
    if (auto controller = m_viewController.lock())
        return controller;
    return m_superview.lock();
}

std::shared_ptr<UIView> UIView::hitTest_withEvent(CGPoint point, const std::shared_ptr<UIEvent>& event)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_hidden || !m_userInteractionEnabled || m_alpha < 0.01 || !pointInside_withEvent(point, event))
        return nullptr;
    auto subviews = m_subviews;
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        const auto& subview = *it;
        CGRect frame = subview->frame();
        CGPoint inSubview =
            CGPointMake(point.x - frame.origin.x + subview->m_bounds.origin.x, point.y - frame.origin.y + subview->m_bounds.origin.y);
        if (auto hit = subview->hitTest_withEvent(inSubview, event))
            return hit;
    }
    return shared_from_this();
}

bool UIView::pointInside_withEvent(CGPoint point, const std::shared_ptr<UIEvent>&) const
{
    // Half-open, so that two views side by side never both claim their common edge.
    return point.x >= m_bounds.origin.x && point.y >= m_bounds.origin.y && point.x < m_bounds.origin.x + m_bounds.size.width &&
        point.y < m_bounds.origin.y + m_bounds.size.height;
}

bool UIView::becomeFirstResponder()
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = shared_from_this();
    auto window = this->window();
    if (!window || !canBecomeFirstResponder())
        return false;
    auto current = window->firstResponder();
    if (current == self)
        return true;
    kvn::SoftwareKeyboard::ResponderChange change;
    if (current && !current->resignFirstResponder())
        return false;
    window->setFirstResponder({}, self);
    return true;
}

bool UIView::resignFirstResponder()
{
    KVN_ASSERT_MAIN_THREAD();
    auto window = this->window();
    if (!window || window->firstResponder().get() != this)
        return true;
    if (!canResignFirstResponder() && !window->isForcingResign())
        return false;
    kvn::SoftwareKeyboard::ResponderChange change;
    window->setFirstResponder({}, nullptr);
    return true;
}

bool UIView::isFirstResponder() const
{
    auto window = this->window();
    return window && window->firstResponder().get() == this;
}

bool UIView::endEditing(bool force)
{
    KVN_ASSERT_MAIN_THREAD();
    auto window = this->window();
    if (!window)
        return true;
    auto responder = window->firstResponder();
    if (!responder || !responder->isDescendantOfView(shared_from_this()))
        return true;
    bool wasForcing = window->isForcingResign();
    window->setForcingResign({}, wasForcing || force);
    bool resigned = responder->resignFirstResponder();
    window->setForcingResign({}, wasForcing);
    return resigned && window->firstResponder() != responder;
}

void UIView::resignFirstResponderBeforeLeaving()
{
    if (window())
        endEditing(true);
}

void UIView::addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!recognizer)
        return;
    if (auto owner = recognizer->view()) {
        if (owner.get() == this)
            return;
        owner->removeGestureRecognizer(recognizer);
    }
    m_gestureRecognizers.push_back(recognizer);
    recognizer->setView({}, weak_from_this());
}

void UIView::removeGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    KVN_ASSERT_MAIN_THREAD();
    auto it = std::find(m_gestureRecognizers.begin(), m_gestureRecognizers.end(), recognizer);
    if (it == m_gestureRecognizers.end())
        return;
    m_gestureRecognizers.erase(it);
    recognizer->setView({}, {});
}

bool UIView::isDescendantOfView(const std::shared_ptr<UIView>& view) const
{
    if (!view)
        return false;
    for (const UIView* v = this; v;) {
        if (v == view.get())
            return true;
        auto parent = v->m_superview.lock();
        v = parent.get();
    }
    return false;
}

std::shared_ptr<UIView> UIView::viewWithTag(long tag)
{
    if (m_tag == tag)
        return shared_from_this();
    for (const auto& subview : m_subviews)
        if (auto found = subview->viewWithTag(tag))
            return found;
    return nullptr;
}

void UIView::addSubview(const std::shared_ptr<UIView>& view)
{
    KVN_ASSERT_MAIN_THREAD();
    if (view && view->superview().get() == this) {
        bringSubviewToFront(view);
        return;
    }
    insertSubviewAt(view, m_subviews.size());
}

void UIView::insertSubview_atIndex(const std::shared_ptr<UIView>& view, long index)
{
    KVN_ASSERT_MAIN_THREAD();
    insertSubviewAt(view, index < 0 ? 0 : static_cast<size_t>(index));
}

void UIView::insertSubview_belowSubview(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling)
{
    KVN_ASSERT_MAIN_THREAD();
    if (view == sibling)
        return;
    if (view && view->superview().get() == this)
        std::erase(m_subviews, view);
    auto it = std::find(m_subviews.begin(), m_subviews.end(), sibling);
    insertSubviewAt(view, it == m_subviews.end() ? m_subviews.size() : static_cast<size_t>(it - m_subviews.begin()));
}

void UIView::insertSubview_aboveSubview(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling)
{
    KVN_ASSERT_MAIN_THREAD();
    if (view == sibling)
        return;
    if (view && view->superview().get() == this)
        std::erase(m_subviews, view);
    auto it = std::find(m_subviews.begin(), m_subviews.end(), sibling);
    insertSubviewAt(view, it == m_subviews.end() ? m_subviews.size() : static_cast<size_t>(it - m_subviews.begin()) + 1);
}

void UIView::bringSubviewToFront(const std::shared_ptr<UIView>& view)
{
    KVN_ASSERT_MAIN_THREAD();
    auto it = std::find(m_subviews.begin(), m_subviews.end(), view);
    if (it == m_subviews.end())
        return;
    std::rotate(it, it + 1, m_subviews.end());
}

void UIView::sendSubviewToBack(const std::shared_ptr<UIView>& view)
{
    KVN_ASSERT_MAIN_THREAD();
    auto it = std::find(m_subviews.begin(), m_subviews.end(), view);
    if (it == m_subviews.end())
        return;
    std::rotate(m_subviews.begin(), it, it + 1);
}

void UIView::insertSubviewAt(const std::shared_ptr<UIView>& view, size_t index)
{
    if (!view)
        return;
    auto self = shared_from_this();
    if (isDescendantOfView(view)) {
        UIKitLog("cannot add a view to itself or to one of its descendants; ignored");
        return;
    }
    auto oldSuperview = view->superview();
    if (oldSuperview == self) {
        // Reordering within this view: no tree hooks.
        std::erase(m_subviews, view);
        m_subviews.insert(m_subviews.begin() + static_cast<long>(std::min(index, m_subviews.size())), view);
        return;
    }
    if (view->window() != window())
        view->resignFirstResponderBeforeLeaving();
    auto oldWindow = view->window();
    auto oldTint = view->tintColor();
    view->willMoveToSuperview(self);
    if (oldSuperview) {
        Layout::Engine::viewWillLeaveSuperview(*view);
        std::erase(oldSuperview->m_subviews, view);
    }
    m_subviews.insert(m_subviews.begin() + static_cast<long>(std::min(index, m_subviews.size())), view);
    view->m_superview = self;
    view->didMoveToSuperview();
    auto newWindow = window();
    if (oldWindow != newWindow)
        view->notifyWindowChange(oldWindow, newWindow);
    if (view->tintColor() != oldTint)
        view->propagateTintChange();
    setNeedsLayout();
}

void UIView::removeFromSuperview()
{
    KVN_ASSERT_MAIN_THREAD();
    auto superview = m_superview.lock();
    if (!superview)
        return;
    auto self = shared_from_this(); // the superview may hold the last reference
    resignFirstResponderBeforeLeaving();
    if (m_superview.lock() != superview)
        return; // the resign moved this view itself
    auto oldWindow = window();
    auto oldTint = tintColor();
    willMoveToSuperview(nullptr);
    Layout::Engine::viewWillLeaveSuperview(*this);
    std::erase(superview->m_subviews, self);
    m_superview.reset();
    didMoveToSuperview();
    if (oldWindow)
        notifyWindowChange(oldWindow, nullptr);
    if (tintColor() != oldTint)
        propagateTintChange();
    superview->setNeedsLayout();
}

void UIView::notifyWindowChange(const std::shared_ptr<UIWindow>& oldWindow, const std::shared_ptr<UIWindow>& newWindow)
{
    auto self = shared_from_this();
    if (auto controller = m_viewController.lock())
        controller->viewMovedToWindow({}, newWindow != nullptr);
    didMoveToWindow();
    auto subviews = m_subviews;
    for (const auto& subview : subviews)
        subview->notifyWindowChange(oldWindow, newWindow);
}

void UIView::setBackgroundColor(std::shared_ptr<UIColor> color)
{
    KVN_ASSERT_MAIN_THREAD();
    m_backgroundColor = std::move(color);
}

std::shared_ptr<UIColor> UIView::tintColor() const
{
    for (const UIView* v = this; v;) {
        if (v->m_tintColor)
            return v->m_tintColor;
        auto parent = v->m_superview.lock();
        v = parent.get();
    }
    return systemTintColor();
}

void UIView::setTintColor(std::shared_ptr<UIColor> color)
{
    KVN_ASSERT_MAIN_THREAD();
    auto before = tintColor();
    m_tintColor = std::move(color);
    if (tintColor() != before)
        propagateTintChange();
}

void UIView::propagateTintChange()
{
    auto self = shared_from_this();
    tintColorDidChange();
    auto subviews = m_subviews;
    for (const auto& subview : subviews)
        if (!subview->m_tintColor)
            subview->propagateTintChange();
}

void UIView::setHidden(bool hidden)
{
    KVN_ASSERT_MAIN_THREAD();
    m_hidden = hidden;
}

void UIView::setAlpha(double alpha)
{
    KVN_ASSERT_MAIN_THREAD();
    m_alpha = std::clamp(alpha, 0.0, 1.0);
}

void UIView::layoutSubviews()
{
    Layout::Engine::placeSubviews(*this);
}

void UIView::setNeedsLayout()
{
    KVN_ASSERT_MAIN_THREAD();
    m_needsLayout = true;
}

void UIView::layoutIfNeeded()
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = shared_from_this();
    if (Layout::Engine::runLayoutPass(*this))
        return;
    if (m_needsLayout) {
        m_needsLayout = false;
        auto controller = m_viewController.lock();
        if (controller)
            controller->viewWillLayoutSubviews();
        layoutSubviews();
        if (controller)
            controller->viewDidLayoutSubviews();
    }
    auto subviews = m_subviews;
    for (const auto& subview : subviews)
        subview->layoutIfNeeded();
}

void UIView::animateWithDuration_animations(double duration, std::function<void()> animations)
{
    animateWithDuration_delay_options_animations_completion(duration, 0, 0, std::move(animations), nullptr);
}

void UIView::animateWithDuration_animations_completion(double duration, std::function<void()> animations,
                                                       std::function<void(bool finished)> completion)
{
    animateWithDuration_delay_options_animations_completion(duration, 0, 0, std::move(animations), std::move(completion));
}

void UIView::animateWithDuration_delay_options_animations_completion(double duration, double delay, UIViewAnimationOptions options,
                                                                     std::function<void()> animations,
                                                                     std::function<void(bool finished)> completion)
{
    KVN_ASSERT_MAIN_THREAD();
    if (animations)
        animations();
    if (!completion)
        return;
    double total = std::max(0.0, duration) + std::max(0.0, delay);
    if (total <= 0) {
        dispatch_async(dispatch_get_main_queue(), [completion = std::move(completion)] { completion(true); });
        return;
    }
    NSTimer::scheduledTimerWithTimeInterval_repeats_block(total, false,
                                                         [completion = std::move(completion)](const std::shared_ptr<NSTimer>&) { completion(true); });
}

bool UIView::drawViewHierarchyInRect_afterScreenUpdates(CGRect rect, bool afterUpdates)
{
    KVN_ASSERT_MAIN_THREAD();
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return false;
    auto self = shared_from_this();
    layoutIfNeeded();
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, rect.origin.x, rect.origin.y);
    if (m_bounds.size.width > 0 && m_bounds.size.height > 0)
        CGContextScaleCTM(context, rect.size.width / m_bounds.size.width, rect.size.height / m_bounds.size.height);
    drawTree(context, 1.0);
    CGContextRestoreGState(context);
    return true;
}

void UIView::drawTree(const CGContextRef& context, double inheritedAlpha)
{
    // The context's space is this view's frame, origin at its top left. A view's alpha
    // multiplies its subtree's (drawn per view, without an offscreen group).
    double alpha = inheritedAlpha * m_alpha;
    if (m_hidden || alpha <= 0)
        return;
    CGContextSaveGState(context);
    CGContextSetAlpha(context, alpha);
    CGContextTranslateCTM(context, -m_bounds.origin.x, -m_bounds.origin.y);
    if (m_clipsToBounds)
        CGContextClipToRect(context, m_bounds);
    if (m_backgroundColor) {
        CGContextSetFillColorWithColor(context, m_backgroundColor->CGColor());
        CGContextFillRect(context, m_bounds);
    }
    CGContextSaveGState(context);
    drawRect(m_bounds);
    CGContextRestoreGState(context);
    auto subviews = m_subviews;
    for (const auto& subview : subviews) {
        CGRect frame = subview->frame();
        CGContextSaveGState(context);
        CGContextTranslateCTM(context, frame.origin.x, frame.origin.y);
        subview->drawTree(context, alpha);
        CGContextRestoreGState(context);
    }
    CGContextRestoreGState(context);
}
