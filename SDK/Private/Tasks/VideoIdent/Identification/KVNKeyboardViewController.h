#pragma once
// Base of the screens with text entry (ident code, chat): while its view is on screen it
// turns the keyboard's show and hide notifications into two hooks carrying the keyboard's
// height, the animation duration and the curve as view animation options, so subclasses can
// move their layout along with the keyboard. The hooks do nothing unless overridden.
// Main thread only.
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "Foundation/NSDictionary.h"
#include "UIKit/UIViewAnimationOptions.h"
#include "UIKit/UIViewController.h"

class NSNotification;
class NSNotificationObserver;

class KVNKeyboardViewController : public UIViewController {
public:
    ~KVNKeyboardViewController() override;

    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    void keyboardWillShow(const NSNotification& notification);
    void keyboardWillHide(const NSNotification& notification);

    virtual void keyboardWillShowWithHeight_duration_animationOptions(CGFloat height, double duration, UIViewAnimationOptions options) {}
    virtual void keyboardWillHideWithDuration_animationOptions(double duration, UIViewAnimationOptions options) {}

    static double keyboardAnimationDurationFromUserInfo(const NSDictionary& userInfo);
    static long keyboardAnimationCurveFromUserInfo(const NSDictionary& userInfo);
    // The platform encodes a curve as a view animation option 16 bits up.
    static UIViewAnimationOptions animationOptionsFromUserInfo(const NSDictionary& userInfo);

private:
    void stopObservingKeyboard();

    std::shared_ptr<NSNotificationObserver> m_willShowObserver;
    std::shared_ptr<NSNotificationObserver> m_willHideObserver;
};
