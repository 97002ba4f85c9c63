#include "UIKit/UIView.h"

#include <algorithm>
#include <cmath>

#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSTimer.h"
#include "UIKit/CALayer.h"
#include "UIKit/LayerRenderer.h"
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
#include "UIKit/ViewAnimator.h"

namespace {

// The platform's default tint (a blue), shown by views whose chain sets none.
std::shared_ptr<UIColor> systemTintColor()
{
    static const auto color = UIColor::colorWithRed_green_blue_alpha(0.0, 122.0 / 255.0, 1.0, 1.0);
    return color;
}

} // namespace

namespace {

std::vector<double> values(CGPoint p) { return {p.x, p.y}; }
std::vector<double> values(CGRect r) { return {r.origin.x, r.origin.y, r.size.width, r.size.height}; }
std::vector<double> values(const CGAffineTransform& t) { return {t.a, t.b, t.c, t.d, t.tx, t.ty}; }
std::vector<double> values(const std::shared_ptr<UIColor>& color)
{
    if (!color)
        return {0, 0, 0, 0};
    return {color->red(), color->green(), color->blue(), color->alpha()};
}

bool finiteTransform(const CGAffineTransform& t)
{
    for (double v : values(t))
        if (!std::isfinite(v))
            return false;
    return true;
}

} // namespace

UIView::UIView() : m_layer(std::make_shared<CALayer>()) { m_layer->attachToView({}, this); }

UIView::~UIView()
{
    m_layer->attachToView({}, nullptr);
    kvn::ViewAnimator::shared().removeAnimations(*this);
}

void UIView::initWithFrame(CGRect frame)
{
    KVN_ASSERT_MAIN_THREAD();
    setFrame(frame);
}

CGRect UIView::frame() const
{
    CGRect box = layoutFrame();
    if (CGAffineTransformIsIdentity(m_transform))
        return box;
    CGRect around = CGRectApplyAffineTransform(
        CGRectMake(-m_bounds.size.width / 2, -m_bounds.size.height / 2, m_bounds.size.width, m_bounds.size.height), m_transform);
    around.origin.x += m_center.x;
    around.origin.y += m_center.y;
    return around;
}

void UIView::setFrame(CGRect frame)
{
    KVN_ASSERT_MAIN_THREAD();
    if (CGAffineTransformIsIdentity(m_transform))
        return setLayoutFrame(frame);
    // The size the transform's scale turns into the frame's; a rotation keeps the size.
    CGRect bounds = m_bounds;
    if (m_transform.b == 0 && m_transform.c == 0 && m_transform.a != 0 && m_transform.d != 0)
        bounds.size = CGSizeMake(frame.size.width / std::fabs(m_transform.a), frame.size.height / std::fabs(m_transform.d));
    setBounds(bounds);
    setCenter(CGPointMake(CGRectGetMidX(frame), CGRectGetMidY(frame)));
}

CGRect UIView::layoutFrame() const
{
    return CGRectMake(m_center.x - m_bounds.size.width / 2, m_center.y - m_bounds.size.height / 2, m_bounds.size.width,
                      m_bounds.size.height);
}

void UIView::setLayoutFrame(CGRect frame)
{
    KVN_ASSERT_MAIN_THREAD();
    setBounds(CGRectMake(m_bounds.origin.x, m_bounds.origin.y, frame.size.width, frame.size.height));
    setCenter(CGPointMake(frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2));
}

void UIView::setBounds(CGRect bounds)
{
    KVN_ASSERT_MAIN_THREAD();
    if (bounds.size != m_bounds.size)
        setNeedsLayout();
    if (bounds != m_bounds)
        noteAnimatedChange(BoundsKey, values(m_bounds), values(bounds));
    m_bounds = bounds;
}

void UIView::setCenter(CGPoint center)
{
    KVN_ASSERT_MAIN_THREAD();
    if (center != m_center)
        noteAnimatedChange(CenterKey, values(m_center), values(center));
    m_center = center;
}

void UIView::setTransform(CGAffineTransform transform)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!finiteTransform(transform)) {
        UIKitLog("a transform that is not finite was refused");
        return;
    }
    if (transform != m_transform)
        noteAnimatedChange(TransformKey, values(m_transform), values(transform));
    m_transform = transform;
}

void UIView::noteAnimatedChange(int key, const std::vector<double>& before, const std::vector<double>& to)
{
    kvn::ViewAnimator::shared().propertyWillChange(*this, key, before, to);
}

std::vector<double> UIView::presentationValue(int key, const std::vector<double>& model) const
{
    return kvn::ViewAnimator::shared().presentation(*this, key, model);
}

bool UIView::isAnimatingWithoutUserInteraction() const { return kvn::ViewAnimator::shared().blocksInteraction(*this); }

CGPoint UIView::toSuperview(CGPoint point) const
{
    CGPoint local =
        CGPointMake(point.x - m_bounds.origin.x - m_bounds.size.width / 2, point.y - m_bounds.origin.y - m_bounds.size.height / 2);
    CGPoint moved = CGPointApplyAffineTransform(local, m_transform);
    return CGPointMake(moved.x + m_center.x, moved.y + m_center.y);
}

CGPoint UIView::fromSuperview(CGPoint point) const
{
    CGPoint local =
        CGPointApplyAffineTransform(CGPointMake(point.x - m_center.x, point.y - m_center.y), CGAffineTransformInvert(m_transform));
    return CGPointMake(local.x + m_bounds.origin.x + m_bounds.size.width / 2, local.y + m_bounds.origin.y + m_bounds.size.height / 2);
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

// Views without a superview measure in their own bounds: the root of a tree is the common
// frame of reference.
CGPoint UIView::convertPoint_toView(CGPoint point, const std::shared_ptr<UIView>& view) const
{
    for (const UIView* v = this; v->superview(); v = v->superview().get())
        point = v->toSuperview(point);
    return view ? view->convertPoint_fromView(point, nullptr) : point;
}

CGPoint UIView::convertPoint_fromView(CGPoint point, const std::shared_ptr<UIView>& view) const
{
    if (view)
        point = view->convertPoint_toView(point, nullptr);
    std::vector<const UIView*> chain;
    for (const UIView* v = this; v->superview(); v = v->superview().get())
        chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        point = (*it)->fromSuperview(point);
    return point;
}

CGRect UIView::convertRect_toView(CGRect rect, const std::shared_ptr<UIView>& view) const
{
    return kvn::boxAroundMappedCorners(CGRectStandardize(rect), [&](CGPoint p) { return convertPoint_toView(p, view); });
}

CGRect UIView::convertRect_fromView(CGRect rect, const std::shared_ptr<UIView>& view) const
{
    return kvn::boxAroundMappedCorners(CGRectStandardize(rect), [&](CGPoint p) { return convertPoint_fromView(p, view); });
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
    if (m_hidden || !m_userInteractionEnabled || m_alpha < 0.01 || isAnimatingWithoutUserInteraction() ||
        !pointInside_withEvent(point, event))
        return nullptr;
    auto subviews = m_subviews;
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        const auto& subview = *it;
        // A view squashed flat by its transform covers no area, so nothing can touch it.
        const CGAffineTransform& t = subview->m_transform;
        if (std::abs(t.a * t.d - t.b * t.c) < 1e-12)
            continue;
        // Through the subview's transform, so a rotated or scaled view is hit where it is drawn.
        CGPoint inSubview = subview->fromSuperview(point);
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
    auto oldMode = view->tintAdjustmentMode();
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
    view->tintMayHaveChanged(oldTint, oldMode);
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
    auto oldMode = tintAdjustmentMode();
    willMoveToSuperview(nullptr);
    Layout::Engine::viewWillLeaveSuperview(*this);
    std::erase(superview->m_subviews, self);
    m_superview.reset();
    didMoveToSuperview();
    if (oldWindow)
        notifyWindowChange(oldWindow, nullptr);
    tintMayHaveChanged(oldTint, oldMode);
    superview->setNeedsLayout();
}

void UIView::notifyWindowChange(const std::shared_ptr<UIWindow>& oldWindow, const std::shared_ptr<UIWindow>& newWindow)
{
    auto self = shared_from_this();
    if (oldWindow && !newWindow)
        kvn::ViewAnimator::shared().removeAnimations(*this);
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
    if (values(color) != values(m_backgroundColor))
        noteAnimatedChange(BackgroundColorKey, values(m_backgroundColor), values(color));
    m_backgroundColor = std::move(color);
}

bool UIView::clipsToBounds() const { return m_layer->masksToBounds(); }

void UIView::setClipsToBounds(bool clips) { m_layer->setMasksToBounds(clips); }

void UIView::setContentMode(UIViewContentMode mode) { m_contentMode = mode; }

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

void UIView::tintMayHaveChanged(const std::shared_ptr<UIColor>& oldTint, UIViewTintAdjustmentMode oldMode)
{
    // A view that moves into (or out of) a dimmed tree shows the dimming as one set there would.
    if (tintColor() != oldTint)
        propagateTintChange();
    else if (tintAdjustmentMode() != oldMode)
        propagateTintAdjustmentChange();
}

void UIView::propagateTintChange()
{
    auto self = shared_from_this();
    // What the view draws in its tint is stale.
    setNeedsDisplay();
    tintColorDidChange();
    auto subviews = m_subviews;
    for (const auto& subview : subviews)
        if (!subview->m_tintColor)
            subview->propagateTintChange();
}

UIViewTintAdjustmentMode UIView::tintAdjustmentMode() const
{
    for (const UIView* v = this; v;) {
        if (v->m_tintAdjustmentMode != UIViewTintAdjustmentModeAutomatic)
            return v->m_tintAdjustmentMode;
        auto parent = v->m_superview.lock();
        v = parent.get();
    }
    return UIViewTintAdjustmentModeNormal;
}

void UIView::setTintAdjustmentMode(UIViewTintAdjustmentMode mode)
{
    KVN_ASSERT_MAIN_THREAD();
    auto before = tintAdjustmentMode();
    m_tintAdjustmentMode = mode;
    if (tintAdjustmentMode() != before)
        propagateTintAdjustmentChange();
}

void UIView::propagateTintAdjustmentChange()
{
    auto self = shared_from_this();
    setNeedsDisplay();
    tintColorDidChange();
    auto subviews = m_subviews;
    for (const auto& subview : subviews)
        if (subview->m_tintAdjustmentMode == UIViewTintAdjustmentModeAutomatic)
            subview->propagateTintAdjustmentChange();
}

void UIView::setHidden(bool hidden)
{
    KVN_ASSERT_MAIN_THREAD();
    m_hidden = hidden;
}

void UIView::setAlpha(double alpha)
{
    KVN_ASSERT_MAIN_THREAD();
    alpha = std::isnan(alpha) ? 1.0 : std::clamp(alpha, 0.0, 1.0);
    if (alpha != m_alpha)
        noteAnimatedChange(AlphaKey, {m_alpha}, {alpha});
    m_alpha = alpha;
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
    kvn::ViewAnimator::shared().animate(duration, delay, options, animations, std::move(completion));
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
    // The keyboard lies over the window it serves, as it does on screen.
    if (auto window = dynamic_cast<const UIWindow*>(this))
        kvn::SoftwareKeyboard::shared().drawOverWindow(*window, context);
    CGContextRestoreGState(context);
    return true;
}

void UIView::drawTree(const CGContextRef& context, double inheritedAlpha)
{
    // The context's space is this view's frame before its transform, origin at its top
    // left. What is drawn is the presentation: animated properties as they stand now.
    double alpha = inheritedAlpha * presentationValue(AlphaKey, {m_alpha})[0];
    if (m_hidden || alpha <= 0)
        return;
    auto b = presentationValue(BoundsKey, values(m_bounds));
    CGRect bounds = CGRectMake(b[0], b[1], b[2], b[3]);
    std::shared_ptr<UIColor> background = m_backgroundColor;
    if (kvn::ViewAnimator::shared().hasAnimations(*this)) {
        auto c = presentationValue(BackgroundColorKey, values(m_backgroundColor));
        if (c != values(m_backgroundColor))
            background = UIColor::colorWithRed_green_blue_alpha(c[0], c[1], c[2], c[3]);
    }
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, -bounds.origin.x, -bounds.origin.y);
    kvn::LayerRenderer::compose(context, *m_layer, bounds, background ? background->CGColor() : nullptr, alpha,
                                [&](const CGContextRef& target, double childAlpha) {
                                    CGContextSaveGState(target);
                                    drawRect(bounds);
                                    CGContextRestoreGState(target);
                                    auto sublayers = m_layer->sublayers();
                                    for (const auto& sublayer : sublayers)
                                        kvn::LayerRenderer::drawLayer(target, *sublayer, childAlpha);
                                    auto subviews = m_subviews;
                                    for (const auto& subview : subviews)
                                        subview->drawInSuperview(target, childAlpha);
                                });
    CGContextRestoreGState(context);
}

void UIView::drawInSuperview(const CGContextRef& context, double inheritedAlpha)
{
    auto c = presentationValue(CenterKey, values(m_center));
    auto b = presentationValue(BoundsKey, values(m_bounds));
    auto t = presentationValue(TransformKey, values(m_transform));
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, c[0], c[1]);
    CGContextConcatCTM(context, CGAffineTransformMake(t[0], t[1], t[2], t[3], t[4], t[5]));
    CGContextTranslateCTM(context, -b[2] / 2, -b[3] / 2);
    drawTree(context, inheritedAlpha);
    CGContextRestoreGState(context);
}
