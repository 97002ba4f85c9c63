#include "UIKit/UIScrollView.h"

#include <cmath>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSRunLoop.h"
#include "Foundation/NSTimer.h"
#include "UIKit/ScrollContentTouchRecognizer.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UITouch.h"

namespace {

// How far a finger moves before a touch becomes a drag.
constexpr double kDragThreshold = 10;
// A free glide loses speed as e^(-t / this): 0.998 of it per millisecond.
constexpr double kGlideTimeConstant = 0.499;
// Snapping to a page or back inside an edge, and animated scrolls.
constexpr double kSnapTimeConstant = 0.08;
constexpr double kAnimationTimeConstant = 0.06;
// A finger still for longer than this before lifting leaves no speed behind.
constexpr double kStillFinger = 0.1;
// Content speed (points per millisecond) past which a release pages on in its direction.
constexpr double kPageFlickSpeed = 0.3;
constexpr double kFrameInterval = 1.0 / 60;

bool finitePoint(CGPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

double sanitized(double v) { return std::isfinite(v) && v > 0 ? v : 0; }

} // namespace

UIScrollView::~UIScrollView()
{
    if (m_timer)
        m_timer->invalidate();
}

std::shared_ptr<UIScrollView> UIScrollView::self() { return std::static_pointer_cast<UIScrollView>(shared_from_this()); }

void UIScrollView::setContentSize(CGSize size) { m_contentSize = CGSizeMake(sanitized(size.width), sanitized(size.height)); }

void UIScrollView::setContentInset(UIEdgeInsets inset)
{
    auto finiteOrZero = [](double v) { return std::isfinite(v) ? v : 0; };
    m_contentInset =
        UIEdgeInsetsMake(finiteOrZero(inset.top), finiteOrZero(inset.left), finiteOrZero(inset.bottom), finiteOrZero(inset.right));
}

CGPoint UIScrollView::minimumContentOffset() const { return CGPointMake(-m_contentInset.left, -m_contentInset.top); }

CGPoint UIScrollView::maximumContentOffset() const
{
    CGPoint min = minimumContentOffset();
    CGSize size = bounds().size;
    return CGPointMake(std::max(min.x, m_contentSize.width + m_contentInset.right - size.width),
                       std::max(min.y, m_contentSize.height + m_contentInset.bottom - size.height));
}

CGPoint UIScrollView::clamped(CGPoint offset) const
{
    CGPoint min = minimumContentOffset(), max = maximumContentOffset();
    return CGPointMake(std::clamp(offset.x, min.x, max.x), std::clamp(offset.y, min.y, max.y));
}

bool UIScrollView::scrollsHorizontally() const { return m_alwaysBounceHorizontal || maximumContentOffset().x > minimumContentOffset().x; }

bool UIScrollView::scrollsVertically() const { return m_alwaysBounceVertical || maximumContentOffset().y > minimumContentOffset().y; }

void UIScrollView::setContentOffset(CGPoint offset)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!finitePoint(offset)) {
        UIKitLog("a content offset that is not finite was refused");
        return;
    }
    stopMotion();
    moveContentTo(offset);
}

void UIScrollView::moveContentTo(CGPoint offset)
{
    CGRect b = bounds();
    if (b.origin == offset)
        return;
    b.origin = offset;
    setBounds(b);
    auto keep = self();
    contentOffsetDidChange();
    if (auto d = delegate())
        d->scrollViewDidScroll(keep);
}

void UIScrollView::setContentOffset_animated(CGPoint offset, bool animated)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!finitePoint(offset)) {
        UIKitLog("a content offset that is not finite was refused");
        return;
    }
    if (!animated)
        return setContentOffset(offset);
    startMotion(Motion::Animating, offset, kAnimationTimeConstant);
}

void UIScrollView::scrollRectToVisible_animated(CGRect rect, bool animated)
{
    rect = CGRectStandardize(rect);
    if (CGRectIsNull(rect) || !finitePoint(rect.origin) || !std::isfinite(rect.size.width) || !std::isfinite(rect.size.height))
        return;
    CGSize size = bounds().size;
    CGPoint offset = contentOffset();
    auto axis = [](double current, double visible, double lo, double length) {
        if (lo < current || length > visible)
            return lo;
        if (lo + length > current + visible)
            return lo + length - visible;
        return current;
    };
    CGPoint target = clamped(CGPointMake(axis(offset.x, size.width, rect.origin.x, rect.size.width),
                                         axis(offset.y, size.height, rect.origin.y, rect.size.height)));
    setContentOffset_animated(target, animated);
}

void UIScrollView::didMoveToWindow()
{
    UIView::didMoveToWindow();
    if (m_contentTouchRecognizer || !window())
        return;
    m_contentTouchRecognizer = std::make_shared<kvn::ScrollContentTouchRecognizer>(self());
    addGestureRecognizer(m_contentTouchRecognizer);
}

// A scroll view that may not scroll still follows a touch on itself: it may be a tap (a row
// of a table that does not scroll), only never a drag.
bool UIScrollView::beginFollowing(const std::shared_ptr<UITouch>& touch)
{
    if (m_tracking)
        return false;
    stopMotion();
    m_touch = touch;
    m_tracking = true;
    m_dragging = false;
    m_touchStart = m_lastPoint = touch->windowLocation();
    m_lastTime = touch->timestamp();
    m_offsetAtStart = contentOffset();
    m_fingerVelocity = CGPointZero;
    return true;
}

void UIScrollView::touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (touches.empty() || !beginFollowing(*touches.begin()))
        return UIView::touchesBegan_withEvent(touches, event);
    m_followingContentTouch = false;
    touchDidBegin(*touches.begin());
}

bool UIScrollView::contentTouchBegan(kvn::Badge<kvn::ScrollContentTouchRecognizer>, const std::shared_ptr<UITouch>& touch)
{
    // Content that may not give its touch up could never be dragged from; nor can anything
    // when scrolling is off.
    if (!m_canCancelContentTouches || !m_scrollEnabled || !beginFollowing(touch))
        return false;
    m_followingContentTouch = true;
    return true;
}

void UIScrollView::followMove(const std::shared_ptr<UITouch>& touch)
{
    CGPoint point = touch->windowLocation();
    double dt = touch->timestamp() - m_lastTime;
    if (dt > 0)
        m_fingerVelocity = CGPointMake((point.x - m_lastPoint.x) / dt, (point.y - m_lastPoint.y) / dt);
    m_lastPoint = point;
    m_lastTime = touch->timestamp();

    bool horizontal = scrollsHorizontally(), vertical = scrollsVertically();
    if (!m_dragging) {
        double dx = horizontal ? point.x - m_touchStart.x : 0, dy = vertical ? point.y - m_touchStart.y : 0;
        if (std::hypot(dx, dy) < kDragThreshold)
            return;
        if (!m_scrollEnabled) {
            // Moved too far for a tap, and there is nothing to drag.
            stopTracking();
            if (!m_followingContentTouch)
                touchDidStopBeingATap();
            return;
        }
        if (m_followingContentTouch && (!m_canCancelContentTouches || !touchesShouldCancelInContentView(touch->view()))) {
            stopTracking();
            return;
        }
        m_dragging = true;
        m_touchStart = point; // the content follows from here, without a jump
        m_offsetAtStart = contentOffset();
        if (!m_followingContentTouch)
            touchDidStopBeingATap();
        auto keep = self();
        if (auto d = delegate())
            d->scrollViewWillBeginDragging(keep);
    }
    CGPoint proposed = CGPointMake(horizontal ? m_offsetAtStart.x - (point.x - m_touchStart.x) : m_offsetAtStart.x,
                                   vertical ? m_offsetAtStart.y - (point.y - m_touchStart.y) : m_offsetAtStart.y);
    CGPoint inside = clamped(proposed);
    if (m_bounces) {
        // Beyond an edge the content follows the finger at half its pace.
        proposed = CGPointMake(inside.x + (proposed.x - inside.x) / 2, inside.y + (proposed.y - inside.y) / 2);
    } else {
        proposed = inside;
    }
    moveContentTo(proposed);
}

void UIScrollView::touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    auto touch = trackedTouchIn(touches);
    if (!touch || m_followingContentTouch)
        return UIView::touchesMoved_withEvent(touches, event);
    followMove(touch);
}

void UIScrollView::contentTouchMoved(kvn::Badge<kvn::ScrollContentTouchRecognizer>, const std::shared_ptr<UITouch>& touch)
{
    if (m_followingContentTouch && trackedTouchIn({touch}))
        followMove(touch);
}

void UIScrollView::finishFollowing(const std::shared_ptr<UITouch>& touch)
{
    stopTracking();
    if (!m_dragging) {
        // A tap on content that kept its touch was the content's, not the scroll view's.
        if (!m_followingContentTouch)
            touchDidTap(touch);
        return;
    }
    bool still = touch->timestamp() - m_lastTime > kStillFinger;
    endDrag(still ? CGPointZero : m_fingerVelocity);
}

void UIScrollView::touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    auto touch = trackedTouchIn(touches);
    if (!touch || m_followingContentTouch)
        return UIView::touchesEnded_withEvent(touches, event);
    finishFollowing(touch);
}

void UIScrollView::contentTouchEnded(kvn::Badge<kvn::ScrollContentTouchRecognizer>, const std::shared_ptr<UITouch>& touch)
{
    if (m_followingContentTouch && trackedTouchIn({touch}))
        finishFollowing(touch);
}

void UIScrollView::cancelFollowing()
{
    stopTracking();
    if (m_dragging)
        endDrag(CGPointZero);
    else if (!m_followingContentTouch)
        touchDidStopBeingATap();
}

void UIScrollView::touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    auto touch = trackedTouchIn(touches);
    if (!touch || m_followingContentTouch)
        return UIView::touchesCancelled_withEvent(touches, event);
    cancelFollowing();
}

void UIScrollView::contentTouchCancelled(kvn::Badge<kvn::ScrollContentTouchRecognizer>, const std::shared_ptr<UITouch>& touch)
{
    if (m_followingContentTouch && trackedTouchIn({touch}))
        cancelFollowing();
}

std::shared_ptr<UITouch> UIScrollView::trackedTouchIn(const UITouchSet& touches) const
{
    auto touch = m_touch.lock();
    return m_tracking && touch && touches.contains(touch) ? touch : nullptr;
}

void UIScrollView::stopTracking()
{
    m_tracking = false;
    m_touch.reset();
}

CGPoint UIScrollView::restingTarget(CGPoint velocity) const
{
    CGPoint offset = contentOffset();
    if (!m_pagingEnabled) {
        // Where a glide of this speed comes to rest: speed (points per second) x time constant.
        return clamped(CGPointMake(offset.x + velocity.x * 1000 * kGlideTimeConstant, offset.y + velocity.y * 1000 * kGlideTimeConstant));
    }
    CGSize page = bounds().size;
    auto axis = [](double offset, double page, double speed, double lo, double hi) {
        if (page <= 0)
            return std::clamp(offset, lo, hi);
        double index = offset / page;
        double chosen = speed > kPageFlickSpeed ? std::floor(index) + 1
            : speed < -kPageFlickSpeed          ? std::ceil(index) - 1
                                                : std::round(index);
        return std::clamp(chosen * page, lo, hi);
    };
    CGPoint min = minimumContentOffset(), max = maximumContentOffset();
    return CGPointMake(axis(offset.x, page.width, velocity.x, min.x, max.x), axis(offset.y, page.height, velocity.y, min.y, max.y));
}

void UIScrollView::endDrag(CGPoint fingerVelocity)
{
    auto keep = self();
    m_dragging = false;
    // The content moves against the finger; the delegate hears points per millisecond.
    CGPoint velocity =
        CGPointMake(scrollsHorizontally() ? -fingerVelocity.x / 1000 : 0, scrollsVertically() ? -fingerVelocity.y / 1000 : 0);
    CGPoint target = restingTarget(velocity);
    if (auto d = delegate()) {
        d->scrollViewWillEndDragging_withVelocity_targetContentOffset(keep, velocity, &target);
        target = finitePoint(target) ? clamped(target) : restingTarget(velocity);
    }
    bool decelerate = target != contentOffset();
    if (auto d = delegate())
        d->scrollViewDidEndDragging_willDecelerate(keep, decelerate);
    if (!decelerate)
        return;
    if (auto d = delegate())
        d->scrollViewWillBeginDecelerating(keep);
    bool snaps = m_pagingEnabled || contentOffset() != clamped(contentOffset());
    startMotion(Motion::Decelerating, target, snaps ? kSnapTimeConstant : kGlideTimeConstant);
}

void UIScrollView::startMotion(Motion motion, CGPoint target, double timeConstant)
{
    stopMotion();
    if (target == contentOffset()) {
        if (motion == Motion::Animating) {
            auto keep = self();
            if (auto d = delegate())
                d->scrollViewDidEndScrollingAnimation(keep);
        }
        return;
    }
    m_motion = motion;
    m_motionFrom = contentOffset();
    m_motionTarget = target;
    m_motionTimeConstant = timeConstant;
    m_motionStart = NSRunLoop::mainRunLoop()->now();
    std::weak_ptr<UIScrollView> weak = self();
    m_timer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(
        kFrameInterval, true, kvn::bindToMainQueue(weak, [](UIScrollView& view, const std::shared_ptr<NSTimer>&) { view.stepMotion(); }));
}

void UIScrollView::stepMotion()
{
    if (m_motion == Motion::None)
        return;
    double t = NSRunLoop::mainRunLoop()->now() - m_motionStart;
    double left = std::exp(-t / m_motionTimeConstant);
    CGPoint position = CGPointMake(m_motionTarget.x - (m_motionTarget.x - m_motionFrom.x) * left,
                                   m_motionTarget.y - (m_motionTarget.y - m_motionFrom.y) * left);
    bool arrived = std::fabs(m_motionTarget.x - position.x) < 0.5 && std::fabs(m_motionTarget.y - position.y) < 0.5;
    Motion motion = m_motion;
    auto keep = self();
    if (arrived) {
        stopMotion();
        position = m_motionTarget;
    }
    moveContentTo(position);
    if (!arrived)
        return;
    if (auto d = delegate()) {
        if (motion == Motion::Decelerating)
            d->scrollViewDidEndDecelerating(keep);
        else
            d->scrollViewDidEndScrollingAnimation(keep);
    }
}

void UIScrollView::stopMotion()
{
    m_motion = Motion::None;
    if (m_timer) {
        m_timer->invalidate();
        m_timer = nullptr;
    }
}
