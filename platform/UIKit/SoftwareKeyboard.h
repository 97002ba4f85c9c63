#pragma once
// The on-screen keyboard of a headless machine: it has no keys, but it comes and goes as the
// platform's does, so that screens can make room for it. It shows while the first responder
// of a visible window (the key window first) takes key presses, in the height of that
// input's keyboard type, at the bottom of the main screen, and posts
// UIKeyboardWillShowNotification and UIKeyboardDidShowNotification as it comes (again when
// the height changes), UIKeyboardWillHideNotification and UIKeyboardDidHideNotification as it
// goes. It moves at once: both notifications of a change are posted in turn, with the
// platform's animation duration and curve in their user info for screens to animate with.
// A change of first responder from one input to another (the old one resigns inside the new
// one's becomeFirstResponder) is judged once, when the outermost change ends, so the
// keyboard does not hide in between. A picture of the window it serves shows it at its
// frame: a grey panel of key caps (a digit pad's three columns, or a letter keyboard's rows),
// so a screen that makes room for it is not drawn with an empty band. Main thread only.
#include <memory>
#include <string>

#include "CoreGraphics/CGGeometry.h"
#include "CoreGraphics/CGContext.h"
#include "UIKit/UITextInputTraits.h"

class UIWindow;

namespace kvn {

class SoftwareKeyboard {
public:
    static SoftwareKeyboard& shared();

    // The keyboard's height for a kind of input, in points.
    static double heightForKeyboardType(UIKeyboardType type);
    static constexpr double kAnimationDuration = 0.25;
    static constexpr long kAnimationCurve = 7;

    bool isVisible() const { return m_visible; }
    // The keyboard's frame in screen coordinates; CGRectZero while hidden.
    CGRect frame() const { return m_visible ? m_frame : CGRectZero; }

    // Held while a responder changes; the keyboard follows when the last one ends.
    class ResponderChange {
    public:
        ResponderChange();
        ~ResponderChange();
        ResponderChange(const ResponderChange&) = delete;
        ResponderChange& operator=(const ResponderChange&) = delete;
    };

    // Shows, resizes or hides the keyboard for the current first responders.
    void update();
    // Hidden, without notifications.
    void resetForTesting();

    // Draws the keyboard over a picture of `window` (in the window's coordinates) when it
    // shows for that window's input.
    void drawOverWindow(const UIWindow& window, const CGContextRef& context) const;

private:
    void post(const std::string& will, const std::string& did, CGRect begin, CGRect end);

    bool m_visible = false;
    CGRect m_frame = CGRectZero;
    UIKeyboardType m_type = UIKeyboardTypeDefault;
    std::weak_ptr<UIWindow> m_window;
    int m_changeDepth = 0;
};

} // namespace kvn
