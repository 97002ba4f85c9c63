#include "UIKit/SoftwareKeyboard.h"

#include <vector>

#include "CoreGraphics/CGPath.h"
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
    std::shared_ptr<UIWindow> inputWindow;
    bool wantsKeyboard = false;
    for (const auto& window : windows) {
        if (!window || window->isHidden())
            continue;
        auto responder = window->firstResponder();
        if (responder && dynamic_cast<UIKeyInput*>(responder.get())) {
            input = dynamic_cast<const UITextInputTraits*>(responder.get());
            inputWindow = window;
            wantsKeyboard = true;
            break;
        }
    }
    CGRect screen = UIScreen::mainScreen()->bounds();
    if (wantsKeyboard) {
        m_window = inputWindow;
        m_type = input ? input->keyboardType() : UIKeyboardTypeDefault;
        double height = heightForKeyboardType(m_type);
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
    m_window.reset();
    m_changeDepth = 0;
}

void SoftwareKeyboard::drawOverWindow(const UIWindow& window, const CGContextRef& context) const
{
    auto served = m_window.lock();
    if (!m_visible || served.get() != &window || !context)
        return;
    // The window's coordinates are the screen's moved to its origin.
    CGRect frame = m_frame;
    frame.origin.x -= window.frame().origin.x;
    frame.origin.y -= window.frame().origin.y;
    CGContextSaveGState(context);
    CGContextSetRGBFillColor(context, 0xD1 / 255.0, 0xD4 / 255.0, 0xD9 / 255.0, 1);
    CGContextFillRect(context, frame);

    // Rows of key caps: a digit pad is four rows of three; letters are three rows of ten,
    // nine and seven, and a row with the space bar.
    const bool digits = heightForKeyboardType(m_type) == heightForKeyboardType(UIKeyboardTypeNumberPad);
    const std::vector<int> rows = digits ? std::vector<int>{3, 3, 3, 3} : std::vector<int>{10, 9, 7, 1};
    const CGFloat gap = 6, top = digits ? 6 : 50, bottom = digits ? 6 : 50;
    const CGFloat rowHeight = (frame.size.height - top - bottom - gap * (rows.size() - 1)) / rows.size();
    const CGFloat unit = (frame.size.width - gap) / (digits ? 3 : 10);
    CGContextSetRGBFillColor(context, 1, 1, 1, 1);
    for (size_t r = 0; r < rows.size(); ++r) {
        // The space bar spans five keys; other rows are centred.
        const CGFloat keyWidth = rows[r] == 1 ? unit * 5 : unit;
        const CGFloat rowWidth = keyWidth * rows[r];
        CGFloat x = frame.origin.x + (frame.size.width - rowWidth) / 2;
        const CGFloat y = frame.origin.y + top + r * (rowHeight + gap);
        for (int k = 0; k < rows[r]; ++k, x += keyWidth) {
            auto cap = CGPathCreateWithRoundedRect(CGRectMake(x + gap / 2, y, keyWidth - gap, rowHeight), 5, 5, nullptr);
            CGContextBeginPath(context);
            CGContextAddPath(context, cap);
            CGContextFillPath(context);
        }
    }
    CGContextRestoreGState(context);
}

} // namespace kvn
