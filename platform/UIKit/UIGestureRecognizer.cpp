#include "UIKit/UIGestureRecognizer.h"

#include <algorithm>

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIView.h"

UIGestureRecognizer::UIGestureRecognizer() = default;
UIGestureRecognizer::~UIGestureRecognizer() = default;

void UIGestureRecognizer::initWithTarget_action(const std::shared_ptr<void>& target, Action action)
{
    addTarget_action(target, std::move(action));
}

void UIGestureRecognizer::addTarget_action(const std::shared_ptr<void>& target, Action action)
{
    KVN_ASSERT_MAIN_THREAD();
    if (action)
        m_targets.push_back(Target{target, target != nullptr, std::move(action)});
}

void UIGestureRecognizer::removeTarget(const std::shared_ptr<void>& target)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!target) {
        m_targets.clear();
        return;
    }
    std::erase_if(m_targets, [&](const Target& t) { return t.hasTarget && t.target.lock() == target; });
}

void UIGestureRecognizer::setEnabled(bool enabled)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        return;
    auto self = shared_from_this();
    if (m_state == UIGestureRecognizerStateBegan || m_state == UIGestureRecognizerStateChanged)
        setState(UIGestureRecognizerStateCancelled);
    else if (m_state == UIGestureRecognizerStatePossible)
        m_state = UIGestureRecognizerStateFailed;
    // A disabled recogniser hears no more of its touches, so nothing else would reset it.
    m_touches.clear();
    resetNow();
}

CGPoint UIGestureRecognizer::locationInView(const std::shared_ptr<UIView>& view) const
{
    CGPoint window = m_lastLocation;
    if (!m_touches.empty()) {
        window = CGPointZero;
        for (const auto& touch : m_touches) {
            window.x += touch->windowLocation().x;
            window.y += touch->windowLocation().y;
        }
        window.x /= double(m_touches.size());
        window.y /= double(m_touches.size());
    }
    return view ? view->convertPoint_fromView(window, nullptr) : window;
}

void UIGestureRecognizer::setView(kvn::Badge<UIView>, const std::weak_ptr<UIView>& view)
{
    m_view = view;
    m_touches.clear();
    if (m_state != UIGestureRecognizerStatePossible)
        resetNow();
}

void UIGestureRecognizer::addTouch(kvn::Badge<UIWindow>, const std::shared_ptr<UITouch>& touch, const std::shared_ptr<UIView>& hitView)
{
    m_hitView = hitView;
    if (std::find(m_touches.begin(), m_touches.end(), touch) == m_touches.end())
        m_touches.push_back(touch);
}

void UIGestureRecognizer::removeTouch(kvn::Badge<UIWindow>, const std::shared_ptr<UITouch>& touch)
{
    auto it = std::find(m_touches.begin(), m_touches.end(), touch);
    if (it == m_touches.end())
        return;
    m_lastLocation = touch->windowLocation();
    m_touches.erase(it);
    maybeReset();
}

void UIGestureRecognizer::failForOther(kvn::Badge<UIWindow>)
{
    if (m_state == UIGestureRecognizerStateBegan || m_state == UIGestureRecognizerStateChanged)
        setState(UIGestureRecognizerStateCancelled);
    else if (m_state == UIGestureRecognizerStatePossible)
        m_state = UIGestureRecognizerStateFailed;
    maybeReset();
}

bool UIGestureRecognizer::canRecognizeWith(const std::shared_ptr<UIGestureRecognizer>& other)
{
    auto self = shared_from_this();
    if (auto delegate = m_delegate.lock();
        delegate && delegate->gestureRecognizer_shouldRecognizeSimultaneouslyWithGestureRecognizer(self, other))
        return true;
    auto theirs = other->m_delegate.lock();
    return theirs && theirs->gestureRecognizer_shouldRecognizeSimultaneouslyWithGestureRecognizer(other, self);
}

bool UIGestureRecognizer::hasRecognized() const
{
    return m_state == UIGestureRecognizerStateBegan || m_state == UIGestureRecognizerStateChanged ||
        m_state == UIGestureRecognizerStateEnded;
}

bool UIGestureRecognizer::isFinished() const
{
    return m_state == UIGestureRecognizerStateEnded || m_state == UIGestureRecognizerStateCancelled ||
        m_state == UIGestureRecognizerStateFailed;
}

void UIGestureRecognizer::setState(UIGestureRecognizerState state)
{
    KVN_ASSERT_MAIN_THREAD();
    auto self = shared_from_this();
    if (m_state == UIGestureRecognizerStatePossible && (state == UIGestureRecognizerStateBegan || state == UIGestureRecognizerStateEnded)) {
        auto delegate = m_delegate.lock();
        auto hitView = m_hitView.lock();
        if ((delegate && !delegate->gestureRecognizerShouldBegin(self)) || (hitView && !hitView->gestureRecognizerShouldBegin(self)))
            state = UIGestureRecognizerStateFailed;
    }
    m_state = state;
    if (state != UIGestureRecognizerStatePossible && state != UIGestureRecognizerStateFailed)
        sendActions();
    // A discrete gesture can end after its last touch has gone (a timer, a disabled view).
    if (m_touches.empty())
        maybeReset();
}

void UIGestureRecognizer::resetNow()
{
    m_state = UIGestureRecognizerStatePossible;
    m_hitView.reset();
    reset();
}

void UIGestureRecognizer::maybeReset()
{
    if (m_touches.empty() && isFinished())
        resetNow();
}

void UIGestureRecognizer::sendActions()
{
    auto self = shared_from_this();
    auto targets = m_targets;
    for (const auto& target : targets) {
        if (target.hasTarget) {
            auto owner = target.target.lock();
            if (!owner)
                continue;
            target.action(self);
        } else {
            target.action(self);
        }
    }
    std::erase_if(m_targets, [](const Target& t) { return t.hasTarget && t.target.expired(); });
}
