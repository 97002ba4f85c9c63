#pragma once
// Drives the UI as a person does. tap touches the middle of what can be seen of a view,
// down and up, through the window's hit test and event dispatch, and refuses (sending
// nothing) when the view is not in a visible window, not visible, disabled (a control, or
// inside one), when the hit test finds another view there that covers it, or when an
// ancestor keeps touches from it; a touch that lands on the view, on one of its subviews, or
// on an ancestor that takes the touches the view itself lets through (a label, an image)
// counts as a tap of the view. type presses keys on the first responder
// of the key window, one character at a time, through its delegate's checks: "\n" is the
// return key, "\b" the delete key; it stops with a failure when nothing takes keys or the
// return key is disabled. swipe moves a finger from one point of a window to another in
// equal steps, stamped as if spread over `duration` seconds of the run loop's clock (the
// clock itself does not move). Main thread only.
#include <memory>
#include <string>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/Automation/Result.h"

class UIView;
class UIWindow;

namespace Automation {

class Driver {
public:
    static constexpr int kMaximumSwipeSteps = 1000;

    static Result tap(const std::shared_ptr<UIView>& view);
    static Result type(const std::string& text);
    // Points in the window's coordinates.
    static Result swipe(const std::shared_ptr<UIWindow>& window, CGPoint from, CGPoint to, int steps, double duration = 0.25);

    // "UIButton 'OK'": a view as a message names it.
    static std::string describe(const std::shared_ptr<UIView>& view);
};

} // namespace Automation
