#include "UIKit/UIWindow.h"

#include <algorithm>

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UIGestureRecognizer.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIViewController.h"

UIWindow::UIWindow()
{
    setHidden(true);
}

UIWindow::~UIWindow() = default;

void UIWindow::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
}

void UIWindow::init()
{
    initWithFrame(UIScreen::mainScreen()->bounds());
}

std::shared_ptr<UIWindow> UIWindow::window() const
{
    return std::static_pointer_cast<UIWindow>(std::const_pointer_cast<UIView>(shared_from_this()));
}

void UIWindow::setRootViewController(const std::shared_ptr<UIViewController>& rootViewController)
{
    if (rootViewController == m_rootViewController)
        return;
    bool visible = !isHidden();
    if (auto old = m_rootViewController) {
        if (visible)
            old->beginAppearanceTransition_animated(false, false);
        if (auto view = old->viewIfLoaded(); view && view->superview().get() == this)
            view->removeFromSuperview();
        m_rootViewController = nullptr;
        if (visible)
            old->endAppearanceTransition();
    }
    m_rootViewController = rootViewController;
    if (!rootViewController)
        return;
    auto view = rootViewController->view();
    view->setFrame(bounds());
    if (visible)
        rootViewController->beginAppearanceTransition_animated(true, false);
    insertSubview_atIndex(view, 0);
    if (visible) {
        layoutIfNeeded();
        rootViewController->endAppearanceTransition();
        UIApplication::sharedApplication()->updateStatusBarAppearance();
    }
}

void UIWindow::makeKeyAndVisible()
{
    auto self = std::static_pointer_cast<UIWindow>(shared_from_this());
    bool wasHidden = isHidden();
    setHidden(false);
    auto application = UIApplication::sharedApplication();
    application->windowBecameVisible(self);
    application->windowBecameKey(self);
    if (wasHidden && m_rootViewController) {
        m_rootViewController->beginAppearanceTransition_animated(true, false);
        layoutIfNeeded();
        m_rootViewController->endAppearanceTransition();
    }
    application->updateStatusBarAppearance();
}

void UIWindow::makeKeyWindow()
{
    UIApplication::sharedApplication()->windowBecameKey(std::static_pointer_cast<UIWindow>(shared_from_this()));
}

bool UIWindow::isKeyWindow() const
{
    return UIApplication::sharedApplication()->keyWindow().get() == this;
}

void UIWindow::layoutSubviews()
{
    UIView::layoutSubviews();
    // Screens (the root's view and presented views) fill their window.
    for (const auto& subview : subviews())
        if (subview->owningViewController())
            subview->setFrame(bounds());
}

void UIWindow::sendEvent(const std::shared_ptr<UIEvent>& event)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!event)
        return;
    auto self = std::static_pointer_cast<UIWindow>(shared_from_this());
    for (const auto& touch : event->allTouches()) {
        if (!touch)
            continue;
        if (touch->phase() == UITouchPhaseBegan && !m_touchRoutes.count(touch))
            beginTouch(touch, event);
        auto it = m_touchRoutes.find(touch);
        if (it == m_touchRoutes.end())
            continue;
        // A copy: the route's views and recognisers stay alive while their hooks run, and
        // the hooks may send further events.
        TouchRoute route = it->second;
        deliverTouch(touch, route, event);
        bool ending = touch->phase() == UITouchPhaseEnded || touch->phase() == UITouchPhaseCancelled;
        if (ending) {
            m_touchRoutes.erase(touch);
            for (const auto& recognizer : route.recognizers)
                recognizer->removeTouch({}, touch);
        } else if (auto again = m_touchRoutes.find(touch); again != m_touchRoutes.end()) {
            again->second.viewCancelled = route.viewCancelled;
        }
    }
}

void UIWindow::beginTouch(const std::shared_ptr<UITouch>& touch, const std::shared_ptr<UIEvent>& event)
{
    auto self = std::static_pointer_cast<UIWindow>(shared_from_this());
    touch->setWindow(self);
    auto hit = hitTest_withEvent(convertPoint_fromView(touch->windowLocation(), self), event);
    touch->setView(hit);
    if (!hit)
        return;
    TouchRoute route;
    route.view = hit;
    for (auto view = hit; view; view = view->superview()) {
        for (const auto& recognizer : view->gestureRecognizers()) {
            if (!recognizer->isEnabled())
                continue;
            auto delegate = recognizer->delegate();
            if (delegate && !delegate->gestureRecognizer_shouldReceiveTouch(recognizer, touch))
                continue;
            recognizer->addTouch({}, touch, hit);
            route.recognizers.push_back(recognizer);
        }
        if (view.get() == this)
            break;
    }
    m_touchRoutes[touch] = std::move(route);
}

void UIWindow::deliverTouch(const std::shared_ptr<UITouch>& touch, TouchRoute& route, const std::shared_ptr<UIEvent>& event)
{
    const UITouchSet touches{touch};
    const UITouchPhase phase = touch->phase();
    for (const auto& recognizer : route.recognizers) {
        if (!recognizer->isEnabled() || recognizer->isFinished() || recognizer->view() == nullptr)
            continue;
        // A recogniser that another one of this touch has beaten does not see the touch.
        bool beaten = std::any_of(route.recognizers.begin(), route.recognizers.end(), [&](const auto& other) {
            return other != recognizer && other->hasRecognized() && !recognizer->canRecognizeWith(other);
        });
        if (beaten) {
            recognizer->failForOther({});
            continue;
        }
        bool wasPossible = recognizer->state() == UIGestureRecognizerStatePossible;
        switch (phase) {
        case UITouchPhaseBegan:
            recognizer->touchesBegan_withEvent(touches, event);
            break;
        case UITouchPhaseMoved:
        case UITouchPhaseStationary:
            recognizer->touchesMoved_withEvent(touches, event);
            break;
        case UITouchPhaseEnded:
            recognizer->touchesEnded_withEvent(touches, event);
            break;
        case UITouchPhaseCancelled:
            recognizer->touchesCancelled_withEvent(touches, event);
            break;
        }
        if (wasPossible && recognizer->hasRecognized())
            for (const auto& other : route.recognizers)
                if (other != recognizer && !other->isFinished() && !recognizer->canRecognizeWith(other))
                    other->failForOther({});
    }
    if (route.viewCancelled)
        return;
    bool taken = std::any_of(route.recognizers.begin(), route.recognizers.end(),
                             [](const auto& recognizer) { return recognizer->hasRecognized() && recognizer->cancelsTouchesInView(); });
    if (taken) {
        route.viewCancelled = true;
        if (phase != UITouchPhaseBegan)
            route.view->touchesCancelled_withEvent(touches, event);
        return;
    }
    switch (phase) {
    case UITouchPhaseBegan:
        route.view->touchesBegan_withEvent(touches, event);
        break;
    case UITouchPhaseMoved:
    case UITouchPhaseStationary:
        route.view->touchesMoved_withEvent(touches, event);
        break;
    case UITouchPhaseEnded:
        route.view->touchesEnded_withEvent(touches, event);
        break;
    case UITouchPhaseCancelled:
        route.view->touchesCancelled_withEvent(touches, event);
        break;
    }
}
