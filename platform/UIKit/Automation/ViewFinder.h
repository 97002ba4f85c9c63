#pragma once
// Finds views in a window as a person finds them on the screen: by accessibility label, by
// accessibility identifier, or by the text they show (a label's text, a button's title, a
// text field's text or, while it is empty, its placeholder, a text view's text; a secure
// field shows only bullets). Only visible views count: not hidden, not nearly transparent
// (alpha below 0.01) themselves or through an ancestor, and with some of their area inside
// the window and inside every ancestor that clips. The front-most match wins. A button's
// title label and image view count as the button. Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CoreGraphics/CGGeometry.h"

class UIView;
class UIWindow;

namespace Automation {

class ViewFinder {
public:
    static std::shared_ptr<UIView> viewWithAccessibilityLabel(const std::shared_ptr<UIWindow>& window, const std::string& label);
    static std::shared_ptr<UIView> viewWithAccessibilityIdentifier(const std::shared_ptr<UIWindow>& window, const std::string& identifier);
    static std::shared_ptr<UIView> viewWithText(const std::shared_ptr<UIWindow>& window, const std::string& text);
    // Every visible view that matches, front-most first.
    static std::vector<std::shared_ptr<UIView>> visibleViews(const std::shared_ptr<UIWindow>& window,
                                                             const std::function<bool(const UIView&)>& matches);

    // The text a view shows, as above; nullopt for views that show none.
    static std::optional<std::string> visibleText(const UIView& view);
    // The part of the view a person can see, in window coordinates; empty when none.
    static CGRect visibleRect(const std::shared_ptr<UIView>& view);
};

} // namespace Automation
