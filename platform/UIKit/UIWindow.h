#pragma once
// The root of a view tree on the screen. A window shows its root view controller's view,
// filling the window, and becomes the application's key window with makeKeyAndVisible;
// presented view controllers put their views into the window of the presenter.
//
// Touches: a touch that comes down goes to the view the hit test finds for it and stays with
// that view until it lifts. The gesture recognisers of that view and its ancestors see each
// phase first; the view then gets it through its touch hooks (and from there along the
// responder chain), unless a recogniser that cancels touches in view has recognised, after
// which the view gets touchesCancelled once and nothing more of that touch.
// Main thread only.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "UIKit/UIView.h"

class UIEvent;
class UIGestureRecognizer;
class UITouch;
class UIViewController;

// The keyboard's notifications (kvn::SoftwareKeyboard posts them) and their user info: the
// frames (CGRect, screen coordinates), the duration (double, seconds), the curve (long) and
// whether the keyboard belongs to this app (bool).
inline const std::string UIKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline const std::string UIKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline const std::string UIKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline const std::string UIKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
inline const std::string UIKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
inline const std::string UIKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline const std::string UIKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";
inline const std::string UIKeyboardAnimationCurveUserInfoKey = "UIKeyboardAnimationCurveUserInfoKey";
inline const std::string UIKeyboardIsLocalUserInfoKey = "UIKeyboardIsLocalUserInfoKey";

class UIWindow : public UIView {
public:
    UIWindow();
    ~UIWindow() override;

    // Windows start hidden, as on the platform.
    void initWithFrame(CGRect frame) override;
    // A window of the main screen's bounds.
    void init();

    std::shared_ptr<UIWindow> window() const override;

    std::shared_ptr<UIViewController> rootViewController() const { return m_rootViewController; }
    // Replaces the root: the old root's view leaves the window, the new one's view fills it.
    // On a visible window the old root disappears and the new one appears.
    void setRootViewController(const std::shared_ptr<UIViewController>& rootViewController);

    // Shows the window and makes it the application's key window.
    void makeKeyAndVisible();
    void makeKeyWindow();
    bool isKeyWindow() const;

    void layoutSubviews() override;

    // Delivers the event's touches, each by its phase. A touch that comes down where no view
    // takes touches goes nowhere, and neither do its later phases.
    virtual void sendEvent(const std::shared_ptr<UIEvent>& event);

    // The view of this window that typed text goes to; none by default. Views become it
    // through becomeFirstResponder.
    std::shared_ptr<UIView> firstResponder() const { return m_firstResponder.lock(); }
    void setFirstResponder(kvn::Badge<UIView>, const std::shared_ptr<UIView>& responder) { m_firstResponder = responder; }
    // While set, a first responder resigns even when its delegate would keep it (endEditing
    // with force, a view leaving the window).
    bool isForcingResign() const { return m_forcingResign; }
    void setForcingResign(kvn::Badge<UIView>, bool forcing) { m_forcingResign = forcing; }

private:
    struct TouchRoute {
        std::shared_ptr<UIView> view;
        std::vector<std::shared_ptr<UIGestureRecognizer>> recognizers;
        bool viewCancelled = false;
    };
    void beginTouch(const std::shared_ptr<UITouch>& touch, const std::shared_ptr<UIEvent>& event);
    void deliverTouch(const std::shared_ptr<UITouch>& touch, TouchRoute& route, const std::shared_ptr<UIEvent>& event);

    std::shared_ptr<UIViewController> m_rootViewController;
    std::map<std::shared_ptr<UITouch>, TouchRoute> m_touchRoutes;
    std::weak_ptr<UIView> m_firstResponder;
    bool m_forcingResign = false;
};
