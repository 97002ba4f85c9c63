#include "Private/Tasks/VideoIdent/Identification/KVNKeyboardViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotification.h"
#include "Foundation/NSNotificationCenter.h"
#include "UIKit/UIWindow.h"

KVNKeyboardViewController::~KVNKeyboardViewController() { stopObservingKeyboard(); }

void KVNKeyboardViewController::viewDidAppear(bool animated)
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidAppear(animated);
    // Appearing twice without disappearing must not double the hooks.
    stopObservingKeyboard();
    auto weak = std::weak_ptr<KVNKeyboardViewController>(std::static_pointer_cast<KVNKeyboardViewController>(shared_from_this()));
    auto center = NSNotificationCenter::defaultCenter();
    m_willShowObserver = center->addObserverForName_object_queue_usingBlock(
        UIKeyboardWillShowNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNKeyboardViewController& self, const NSNotification& note) { self.keyboardWillShow(note); }));
    m_willHideObserver = center->addObserverForName_object_queue_usingBlock(
        UIKeyboardWillHideNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNKeyboardViewController& self, const NSNotification& note) { self.keyboardWillHide(note); }));
}

void KVNKeyboardViewController::viewWillDisappear(bool animated)
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewWillDisappear(animated);
    stopObservingKeyboard();
}

void KVNKeyboardViewController::stopObservingKeyboard()
{
    auto center = NSNotificationCenter::defaultCenter();
    if (m_willShowObserver)
        center->removeObserver(m_willShowObserver);
    if (m_willHideObserver)
        center->removeObserver(m_willHideObserver);
    m_willShowObserver.reset();
    m_willHideObserver.reset();
}

void KVNKeyboardViewController::keyboardWillShow(const NSNotification& notification)
{
    const auto& userInfo = notification.userInfo();
    CGFloat height = 0;
    if (const auto* frame = NSDictionaryValue<CGRect>(userInfo, UIKeyboardFrameEndUserInfoKey))
        height = frame->size.height;
    keyboardWillShowWithHeight_duration_animationOptions(height, keyboardAnimationDurationFromUserInfo(userInfo),
                                                         animationOptionsFromUserInfo(userInfo));
}

void KVNKeyboardViewController::keyboardWillHide(const NSNotification& notification)
{
    const auto& userInfo = notification.userInfo();
    keyboardWillHideWithDuration_animationOptions(keyboardAnimationDurationFromUserInfo(userInfo), animationOptionsFromUserInfo(userInfo));
}

double KVNKeyboardViewController::keyboardAnimationDurationFromUserInfo(const NSDictionary& userInfo)
{
    const auto* duration = NSDictionaryValue<double>(userInfo, UIKeyboardAnimationDurationUserInfoKey);
    return duration ? *duration : 0;
}

long KVNKeyboardViewController::keyboardAnimationCurveFromUserInfo(const NSDictionary& userInfo)
{
    const auto* curve = NSDictionaryValue<long>(userInfo, UIKeyboardAnimationCurveUserInfoKey);
    return curve ? *curve : 0;
}

UIViewAnimationOptions KVNKeyboardViewController::animationOptionsFromUserInfo(const NSDictionary& userInfo)
{
    return static_cast<UIViewAnimationOptions>(keyboardAnimationCurveFromUserInfo(userInfo)) << 16;
}
