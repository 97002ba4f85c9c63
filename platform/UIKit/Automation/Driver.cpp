#include "UIKit/Automation/Driver.h"

#include <cmath>
#include <cstdio>

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSRunLoop.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/Automation/ViewTreeDump.h"
#include "UIKit/EditBuffer.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIControl.h"
#include "UIKit/UIKeyInput.h"
#include "UIKit/UITextInputTraits.h"
#include "UIKit/UIWindow.h"

namespace Automation {

namespace {

std::string pointText(CGPoint p) { return "(" + ViewTreeDump::number(p.x) + ", " + ViewTreeDump::number(p.y) + ")"; }

bool finite(CGPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

} // namespace

std::string Driver::describe(const std::shared_ptr<UIView>& view)
{
    if (!view)
        return "no view";
    std::string out = ViewTreeDump::className(*view);
    if (auto text = ViewFinder::visibleText(*view))
        out += " '" + *text + "'";
    else if (auto label = view->accessibilityLabel())
        out += " '" + *label + "'";
    if (auto identifier = view->accessibilityIdentifier())
        out += " #" + *identifier;
    return out;
}

Result Driver::tap(const std::shared_ptr<UIView>& view)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!view)
        return Result::failure("tap: no view to tap (was it found?)");
    auto window = view->window();
    if (!window || window->isHidden())
        return Result::failure("tap: " + describe(view) + " is not in a visible window");
    CGRect visible = ViewFinder::visibleRect(view);
    if (CGRectIsEmpty(visible))
        return Result::failure("tap: " + describe(view) + " is not visible");
    for (auto v = view; v; v = v->superview())
        if (auto control = std::dynamic_pointer_cast<UIControl>(v); control && !control->isEnabled())
            return Result::failure("tap: " + describe(view) + " is disabled" + (v == view ? "" : " (inside disabled " + describe(v) + ")"));
    CGPoint point = CGPointMake(CGRectGetMidX(visible), CGRectGetMidY(visible));
    auto hit = window->hitTest_withEvent(point, nullptr);
    if (!hit)
        return Result::failure("tap: nothing at " + pointText(point) + " takes touches; " + describe(view) + " does not");
    bool onView = hit == view || hit->isDescendantOfView(view);
    if (!onView && !view->isDescendantOfView(hit))
        return Result::failure("tap: " + describe(view) + " is covered by " + describe(hit) + " at " + pointText(point));
    // Landing on an ancestor is the view's own choice only when it lets touches through;
    // otherwise something between them keeps the touch from it.
    if (!onView && view->isUserInteractionEnabled()) {
        for (auto v = view->superview(); v && v != hit; v = v->superview())
            if (!v->isUserInteractionEnabled())
                return Result::failure("tap: " + describe(view) + " is inside " + describe(v) + ", which takes no touches");
        return Result::failure("tap: " + describe(view) + " does not get touches at " + pointText(point) + "; " + describe(hit) + " does");
    }
    Finger finger(window);
    finger.down(point);
    finger.up();
    return Result::success("tapped " + describe(view) + " at " + pointText(point));
}

Result Driver::type(const std::string& text)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!Text::EditBuffer::isWellFormed(text))
        return Result::failure("type: the text is not well-formed UTF-8; nothing typed");
    size_t typed = 0;
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        while (i + length < text.size() && (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80)
            ++length;
        std::string key = text.substr(i, length);
        i += length;
        auto window = UIApplication::sharedApplication()->keyWindow();
        auto responder = window ? window->firstResponder() : nullptr;
        auto input = std::dynamic_pointer_cast<UIKeyInput>(responder);
        if (!input)
            return Result::failure("type: nothing takes typed keys (no first responder that takes text in the key window) after " +
                                   std::to_string(typed) + " of the keys");
        if (key == "\n") {
            auto traits = std::dynamic_pointer_cast<UITextInputTraits>(responder);
            if (traits && traits->enablesReturnKeyAutomatically() && !input->hasText())
                return Result::failure("type: the return key of " + describe(responder) + " is disabled while it holds no text");
        }
        if (key == "\b")
            input->deleteBackward();
        else
            input->insertText(key);
        ++typed;
    }
    return Result::success("typed " + std::to_string(typed) + " keys");
}

Result Driver::swipe(const std::shared_ptr<UIWindow>& window, CGPoint from, CGPoint to, int steps, double duration)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!window || window->isHidden())
        return Result::failure("swipe: no visible window");
    if (steps < 1 || steps > kMaximumSwipeSteps)
        return Result::failure("swipe: the number of steps must lie between 1 and " + std::to_string(kMaximumSwipeSteps));
    if (!finite(from) || !finite(to) || !std::isfinite(duration) || duration < 0)
        return Result::failure("swipe: points and duration must be finite, the duration not negative");
    auto hit = window->hitTest_withEvent(from, nullptr);
    if (!hit)
        return Result::failure("swipe: nothing at " + pointText(from) + " takes touches");
    double start = NSRunLoop::mainRunLoop()->now();
    Finger finger(window);
    finger.down(from, start);
    for (int i = 1; i <= steps; ++i) {
        double f = double(i) / steps;
        finger.moveTo(CGPointMake(from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f), start + duration * f);
    }
    finger.up(start + duration);
    return Result::success("swiped from " + pointText(from) + " to " + pointText(to) + " over " + describe(hit));
}

} // namespace Automation
