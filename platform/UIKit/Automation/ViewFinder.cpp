#include "UIKit/Automation/ViewFinder.h"

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextView.h"
#include "UIKit/UIWindow.h"

namespace Automation {

namespace {

// Front-most first: later siblings and their subtrees lie above earlier ones, and a view's
// subviews above the view itself.
void collect(const std::shared_ptr<UIView>& view, const std::function<bool(const UIView&)>& matches,
             std::vector<std::shared_ptr<UIView>>& out)
{
    if (view->isHidden() || view->alpha() < 0.01)
        return;
    // A button's parts are the button.
    if (!std::dynamic_pointer_cast<UIButton>(view)) {
        const auto& subviews = view->subviews();
        for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
            collect(*it, matches, out);
    }
    if (matches(*view) && !CGRectIsEmpty(ViewFinder::visibleRect(view)))
        out.push_back(view);
}

std::shared_ptr<UIView> first(const std::shared_ptr<UIWindow>& window, const std::function<bool(const UIView&)>& matches)
{
    auto found = ViewFinder::visibleViews(window, matches);
    return found.empty() ? nullptr : found.front();
}

} // namespace

std::vector<std::shared_ptr<UIView>> ViewFinder::visibleViews(const std::shared_ptr<UIWindow>& window,
                                                              const std::function<bool(const UIView&)>& matches)
{
    KVN_ASSERT_MAIN_THREAD();
    std::vector<std::shared_ptr<UIView>> out;
    if (window && !window->isHidden())
        collect(window, matches, out);
    return out;
}

std::shared_ptr<UIView> ViewFinder::viewWithAccessibilityLabel(const std::shared_ptr<UIWindow>& window, const std::string& label)
{
    return first(window, [&](const UIView& view) { return view.accessibilityLabel() == label; });
}

std::shared_ptr<UIView> ViewFinder::viewWithAccessibilityIdentifier(const std::shared_ptr<UIWindow>& window, const std::string& identifier)
{
    return first(window, [&](const UIView& view) { return view.accessibilityIdentifier() == identifier; });
}

std::shared_ptr<UIView> ViewFinder::viewWithText(const std::shared_ptr<UIWindow>& window, const std::string& text)
{
    return first(window, [&](const UIView& view) { return visibleText(view) == text; });
}

std::optional<std::string> ViewFinder::visibleText(const UIView& view)
{
    if (auto button = dynamic_cast<const UIButton*>(&view))
        return button->currentTitle();
    if (auto label = dynamic_cast<const UILabel*>(&view))
        return label->text();
    if (auto field = dynamic_cast<const UITextField*>(&view)) {
        if (!field->hasText())
            return field->placeholder();
        return field->displayedText();
    }
    if (auto textView = dynamic_cast<const UITextView*>(&view))
        return textView->text();
    return std::nullopt;
}

CGRect ViewFinder::visibleRect(const std::shared_ptr<UIView>& view)
{
    if (!view || !view->window())
        return CGRectNull;
    CGRect visible = view->convertRect_toView(view->bounds(), nullptr);
    for (auto ancestor = view->superview(); ancestor; ancestor = ancestor->superview()) {
        if (ancestor->isHidden() || ancestor->alpha() < 0.01)
            return CGRectNull;
        // The window's own bounds always clip: nothing outside it is on the screen.
        if (ancestor->clipsToBounds() || !ancestor->superview())
            visible = CGRectIntersection(visible, ancestor->convertRect_toView(ancestor->bounds(), nullptr));
    }
    if (view->isHidden() || view->alpha() < 0.01 || CGRectIsNull(visible) || visible.size.width <= 0 || visible.size.height <= 0)
        return CGRectNull;
    return visible;
}

} // namespace Automation
