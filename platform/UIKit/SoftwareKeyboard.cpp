#include "UIKit/SoftwareKeyboard.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotificationCenter.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIKeyInput.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIWindow.h"

namespace kvn {

SoftwareKeyboard& SoftwareKeyboard::shared()
{
    static SoftwareKeyboard keyboard;
    return keyboard;
}

double SoftwareKeyboard::heightForKeyboardType(UIKeyboardType type)
{
    switch (type) {
    case UIKeyboardTypeNumberPad:
    case UIKeyboardTypePhonePad:
    case UIKeyboardTypeDecimalPad:
    case UIKeyboardTypeASCIICapableNumberPad:
        return 216; // digit pads have no suggestion bar
    default:
        return 260;
    }
}

SoftwareKeyboard::ResponderChange::ResponderChange() { ++SoftwareKeyboard::shared().m_changeDepth; }

SoftwareKeyboard::ResponderChange::~ResponderChange()
{
    auto& keyboard = SoftwareKeyboard::shared();
    if (--keyboard.m_changeDepth == 0)
        keyboard.update();
}

void SoftwareKeyboard::update()
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_changeDepth > 0)
        return;
    auto application = UIApplication::sharedApplication();
    auto windows = application->windows();
    if (auto key = application->keyWindow())
        windows.insert(windows.begin(), key);
    const UITextInputTraits* input = nullptr;
    bool wantsKeyboard = false;
    for (const auto& window : windows) {
        if (!window || window->isHidden())
            continue;
        auto responder = window->firstResponder();
        if (responder && dynamic_cast<UIKeyInput*>(responder.get())) {
            input = dynamic_cast<const UITextInputTraits*>(responder.get());
            wantsKeyboard = true;
            break;
        }
    }
    CGRect screen = UIScreen::mainScreen()->bounds();
    if (wantsKeyboard) {
        double height = heightForKeyboardType(input ? input->keyboardType() : UIKeyboardTypeDefault);
        CGRect end = CGRectMake(0, CGRectGetMaxY(screen) - height, screen.size.width, height);
        if (m_visible && end == m_frame)
            return;
        CGRect begin = m_visible ? m_frame : CGRectMake(0, CGRectGetMaxY(screen), screen.size.width, height);
        m_visible = true;
        m_frame = end;
        post(UIKeyboardWillShowNotification, UIKeyboardDidShowNotification, begin, end);
    } else if (m_visible) {
        CGRect begin = m_frame;
        m_visible = false;
        post(UIKeyboardWillHideNotification, UIKeyboardDidHideNotification, begin,
             CGRectMake(0, CGRectGetMaxY(screen), screen.size.width, begin.size.height));
    }
}

void SoftwareKeyboard::post(const std::string& will, const std::string& did, CGRect begin, CGRect end)
{
    NSDictionary info{
        {UIKeyboardFrameBeginUserInfoKey, begin},
        {UIKeyboardFrameEndUserInfoKey, end},
        {UIKeyboardAnimationDurationUserInfoKey, kAnimationDuration},
        {UIKeyboardAnimationCurveUserInfoKey, kAnimationCurve},
        {UIKeyboardIsLocalUserInfoKey, true},
    };
    auto center = NSNotificationCenter::defaultCenter();
    center->postNotificationName_object_userInfo(will, nullptr, info);
    center->postNotificationName_object_userInfo(did, nullptr, info);
}

void SoftwareKeyboard::resetForTesting()
{
    m_visible = false;
    m_frame = CGRectZero;
    m_changeDepth = 0;
}

} // namespace kvn
