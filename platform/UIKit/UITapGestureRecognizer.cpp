#include "UIKit/UITapGestureRecognizer.h"

#include <cmath>

#include "Foundation/NSTimer.h"
#include "UIKit/UITouch.h"

UITapGestureRecognizer::UITapGestureRecognizer() = default;

UITapGestureRecognizer::~UITapGestureRecognizer() { stopWaiting(); }

void UITapGestureRecognizer::touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    stopWaiting();
    m_touchesDown += long(touches.size());
    if (m_touchesDown > m_touchesRequired) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    for (const auto& touch : touches)
        if (m_touchesDown == 1)
            m_tapStart = touch->windowLocation();
}

void UITapGestureRecognizer::touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    for (const auto& touch : touches) {
        CGPoint p = touch->windowLocation();
        if (std::hypot(p.x - m_tapStart.x, p.y - m_tapStart.y) > kAllowableMovement) {
            setState(UIGestureRecognizerStateFailed);
            return;
        }
    }
}

void UITapGestureRecognizer::touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    touchesMoved_withEvent(touches, event);
    if (state() != UIGestureRecognizerStatePossible)
        return;
    // A tap of several fingers counts when the last of them lifts, if all of them came down.
    bool allDown = m_touchesDown == m_touchesRequired;
    m_touchesDown -= long(touches.size());
    if (m_touchesDown > 0)
        return;
    if (!allDown) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    if (++m_taps >= m_tapsRequired)
        setState(UIGestureRecognizerStateEnded);
    else
        waitForNextTap();
}

void UITapGestureRecognizer::touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    setState(UIGestureRecognizerStateFailed);
}

void UITapGestureRecognizer::reset()
{
    stopWaiting();
    m_taps = 0;
    m_touchesDown = 0;
}

void UITapGestureRecognizer::waitForNextTap()
{
    // The destructor invalidates the timer, so it never fires for a recogniser that is gone.
    m_timer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(kMaximumTapInterval, false, [this](const std::shared_ptr<NSTimer>&) {
        m_timer.reset();
        if (state() == UIGestureRecognizerStatePossible)
            setState(UIGestureRecognizerStateFailed);
    });
}

void UITapGestureRecognizer::stopWaiting()
{
    if (m_timer) {
        m_timer->invalidate();
        m_timer.reset();
    }
}
