#include "UIKit/UIPanGestureRecognizer.h"

#include <algorithm>
#include <cmath>

#include "UIKit/UITouch.h"

UIPanGestureRecognizer::UIPanGestureRecognizer() = default;
UIPanGestureRecognizer::~UIPanGestureRecognizer() = default;

CGPoint UIPanGestureRecognizer::translationInView(const std::shared_ptr<UIView>&) const
{
    return CGPointMake(m_last.x - m_origin.x, m_last.y - m_origin.y);
}

void UIPanGestureRecognizer::setTranslation_inView(CGPoint translation, const std::shared_ptr<UIView>&)
{
    m_origin = CGPointMake(m_last.x - translation.x, m_last.y - translation.y);
}

CGPoint UIPanGestureRecognizer::centroid() const
{
    CGPoint sum = CGPointZero;
    const auto& touches = trackedTouches();
    for (const auto& touch : touches) {
        sum.x += touch->windowLocation().x;
        sum.y += touch->windowLocation().y;
    }
    if (touches.empty())
        return m_last;
    return CGPointMake(sum.x / double(touches.size()), sum.y / double(touches.size()));
}

double UIPanGestureRecognizer::latestTimestamp() const
{
    double latest = m_lastTime;
    for (const auto& touch : trackedTouches())
        latest = std::max(latest, touch->timestamp());
    return latest;
}

void UIPanGestureRecognizer::touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    // A finger added mid-gesture moves the centroid; keep the translation where it was.
    CGPoint translation = translationInView(nullptr);
    m_last = centroid();
    m_lastTime = latestTimestamp();
    if (state() == UIGestureRecognizerStatePossible && numberOfTouches() == touches.size())
        m_origin = m_last;
    else
        setTranslation_inView(translation, nullptr);
}

void UIPanGestureRecognizer::touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    CGPoint now = centroid();
    double time = latestTimestamp();
    double dt = time - m_lastTime;
    // Moves stamped at the same instant keep the last velocity rather than divide by zero.
    if (dt > 0)
        m_velocity = CGPointMake((now.x - m_last.x) / dt, (now.y - m_last.y) / dt);
    m_last = now;
    m_lastTime = time;
    if (state() == UIGestureRecognizerStatePossible) {
        CGPoint moved = translationInView(nullptr);
        if (long(numberOfTouches()) >= m_minimumTouches && std::hypot(moved.x, moved.y) >= kHysteresis)
            setState(UIGestureRecognizerStateBegan);
    } else if (state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged) {
        setState(UIGestureRecognizerStateChanged);
    }
}

void UIPanGestureRecognizer::touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (numberOfTouches() > touches.size() && state() != UIGestureRecognizerStatePossible)
        return; // other fingers still drag
    if (state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged)
        setState(UIGestureRecognizerStateEnded);
    else if (state() == UIGestureRecognizerStatePossible && numberOfTouches() <= touches.size())
        setState(UIGestureRecognizerStateFailed);
}

void UIPanGestureRecognizer::touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged)
        setState(UIGestureRecognizerStateCancelled);
    else if (state() == UIGestureRecognizerStatePossible)
        setState(UIGestureRecognizerStateFailed);
}

void UIPanGestureRecognizer::reset()
{
    m_origin = m_last = CGPointZero;
    m_lastTime = 0;
    m_velocity = CGPointZero;
}
