#include "UIKit/UIControl.h"

#include <algorithm>

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UIGestureRecognizer.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITouch.h"

UIControl::UIControl() = default;
UIControl::~UIControl() = default;

void UIControl::setEnabled(bool enabled)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    // Through the setter, so a subclass that draws its pressed look there drops it now, not
    // when the finger lifts.
    if (!enabled && m_highlighted)
        setHighlighted(false);
    stateDidChange();
}

void UIControl::setSelected(bool selected)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_selected == selected)
        return;
    m_selected = selected;
    stateDidChange();
}

void UIControl::setHighlighted(bool highlighted)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    stateDidChange();
}

UIControlState UIControl::state() const
{
    UIControlState state = UIControlStateNormal;
    if (m_highlighted)
        state |= UIControlStateHighlighted;
    if (!m_enabled)
        state |= UIControlStateDisabled;
    if (m_selected)
        state |= UIControlStateSelected;
    return state;
}

void UIControl::setContentHorizontalAlignment(UIControlContentHorizontalAlignment alignment)
{
    m_horizontalAlignment = alignment;
    setNeedsLayout();
}

void UIControl::setContentVerticalAlignment(UIControlContentVerticalAlignment alignment)
{
    m_verticalAlignment = alignment;
    setNeedsLayout();
}

void UIControl::addTarget_action_forControlEvents(const std::shared_ptr<void>& target, Action action, UIControlEvents events)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!action || events == 0)
        return;
    m_targets.push_back(Target{target, target != nullptr, std::move(action), events});
}

void UIControl::removeTarget_forControlEvents(const std::shared_ptr<void>& target, UIControlEvents events)
{
    KVN_ASSERT_MAIN_THREAD();
    for (auto& t : m_targets)
        if (!target || (t.hasTarget && t.target.lock() == target))
            t.events &= ~events;
    std::erase_if(m_targets, [](const Target& t) { return t.events == 0; });
}

UIControlEvents UIControl::allControlEvents() const
{
    UIControlEvents events = 0;
    for (const auto& t : m_targets)
        if (!t.hasTarget || !t.target.expired())
            events |= t.events;
    return events;
}

void UIControl::sendActionsForControlEvents(UIControlEvents events)
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = std::static_pointer_cast<UIControl>(shared_from_this());
    // A copy: an action may add or remove targets.
    auto targets = m_targets;
    for (const auto& t : targets) {
        if (!(t.events & events))
            continue;
        if (t.hasTarget && t.target.expired())
            continue;
        t.action(self);
    }
    std::erase_if(m_targets, [](const Target& t) { return t.hasTarget && t.target.expired(); });
}

std::shared_ptr<UIView> UIControl::hitTest_withEvent(CGPoint point, const std::shared_ptr<UIEvent>& event)
{
    if (!m_enabled)
        return nullptr;
    return UIView::hitTest_withEvent(point, event);
}

bool UIControl::gestureRecognizerShouldBegin(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    auto tap = std::dynamic_pointer_cast<UITapGestureRecognizer>(recognizer);
    bool singleTap = tap && tap->numberOfTapsRequired() == 1 && tap->numberOfTouchesRequired() == 1;
    if (singleTap && m_enabled && recognizer->view().get() != this)
        return false;
    return true;
}

bool UIControl::isInsideWithSlop(CGPoint point) const
{
    CGRect b = bounds();
    return point.x >= b.origin.x - kTouchSlop && point.y >= b.origin.y - kTouchSlop && point.x <= b.origin.x + b.size.width + kTouchSlop &&
        point.y <= b.origin.y + b.size.height + kTouchSlop;
}

void UIControl::touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (!m_enabled || touches.empty() || m_tracking)
        return;
    auto self = shared_from_this();
    const auto& touch = *touches.begin();
    m_touchInside = true;
    m_tracking = beginTrackingWithTouch_withEvent(touch, event);
    setHighlighted(true);
    UIControlEvents events = UIControlEventTouchDown;
    if (touch->tapCount() > 1)
        events |= UIControlEventTouchDownRepeat;
    sendActionsForControlEvents(events);
}

void UIControl::touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (!m_enabled || touches.empty())
        return;
    auto self = shared_from_this();
    const auto& touch = *touches.begin();
    bool wasInside = m_touchInside;
    m_touchInside = isInsideWithSlop(touch->locationInView(self));
    setHighlighted(m_touchInside);
    if (m_tracking)
        m_tracking = continueTrackingWithTouch_withEvent(touch, event);
    UIControlEvents events = m_touchInside ? UIControlEventTouchDragInside : UIControlEventTouchDragOutside;
    if (wasInside != m_touchInside)
        events |= m_touchInside ? UIControlEventTouchDragEnter : UIControlEventTouchDragExit;
    sendActionsForControlEvents(events);
}

void UIControl::touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (touches.empty())
        return;
    auto self = shared_from_this();
    const auto& touch = *touches.begin();
    m_touchInside = isInsideWithSlop(touch->locationInView(self));
    bool enabled = m_enabled;
    if (m_tracking)
        endTrackingWithTouch_withEvent(touch, event);
    endTracking();
    // A control disabled while the finger was down does not fire.
    if (!enabled)
        return;
    if (m_touchInside)
        sendActionsForControlEvents(UIControlEventTouchUpInside);
    else
        sendActionsForControlEvents(UIControlEventTouchUpOutside);
    m_touchInside = false;
}

void UIControl::touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    auto self = shared_from_this();
    if (m_tracking)
        cancelTrackingWithEvent(event);
    endTracking();
    m_touchInside = false;
    sendActionsForControlEvents(UIControlEventTouchCancel);
}

void UIControl::endTracking()
{
    m_tracking = false;
    setHighlighted(false);
}
