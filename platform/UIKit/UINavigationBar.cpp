#include "UIKit/UINavigationBar.h"

#include <algorithm>

#include "UIKit/TextLayout.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UINavigationItem.h"
#include "UIKit/UITouch.h"

namespace {

constexpr CGFloat kBarFontSize = 17;
constexpr CGFloat kEdgeMargin = 8;
constexpr CGFloat kTitleGap = 8;

struct BarText {
    std::string text;
    std::shared_ptr<UIFont> font;
    std::shared_ptr<UIColor> color;
};

// One line of bar text, cut with "…" at `width`.
Text::TextLayout layOut(const BarText& text, CGFloat width, NSTextAlignment alignment)
{
    Text::LayoutOptions options;
    options.width = width;
    options.wrapping = Text::Wrapping::None;
    options.truncation = Text::Truncation::Tail;
    options.defaultFont = text.font;
    options.defaultColor = text.color;
    options.alignment = alignment;
    return Text::TextLayout(NSAttributedString(text.text), options);
}

std::optional<BarText> buttonText(const std::shared_ptr<UIBarButtonItem>& item, const std::shared_ptr<UIColor>& tint)
{
    if (!item || !item->title() || item->title()->empty())
        return std::nullopt;
    auto font = item->style() == UIBarButtonItemStyle::Done ? UIFont::boldSystemFontOfSize(kBarFontSize) : UIFont::systemFontOfSize(kBarFontSize);
    return BarText{*item->title(), font, item->isEnabled() ? tint : tint->colorWithAlphaComponent(0.35)};
}

// The touch target over a bar button's title. It draws nothing (the bar draws the titles) and
// reads the item's title and state live, since screens retitle their items after set-up.
class BarButtonTarget : public UIView {
public:
    explicit BarButtonTarget(std::shared_ptr<UIBarButtonItem> item) : m_item(std::move(item)) {}

    std::optional<std::string> accessibilityLabel() const override { return m_item->title(); }

    void touchesBegan_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override {}
    void touchesMoved_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override {}
    void touchesCancelled_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&) override {}
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&) override
    {
        auto self = shared_from_this();
        for (const auto& touch : touches)
            if (CGRectContainsPoint(bounds(), touch->locationInView(self))) {
                // The action may pop this bar's screen: keep the item until it has run.
                auto item = m_item;
                item->sendAction();
                return;
            }
    }

private:
    std::shared_ptr<UIBarButtonItem> m_item;
};

} // namespace

UINavigationBar::UINavigationBar() = default;
UINavigationBar::~UINavigationBar() = default;

void UINavigationBar::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    applyStyle();
}

void UINavigationBar::setBarStyle(UIBarStyle style)
{
    if (style == m_barStyle)
        return;
    m_barStyle = style;
    applyStyle();
    if (auto navigationController = m_navigationController.lock())
        navigationController->setNeedsStatusBarAppearanceUpdate();
}

void UINavigationBar::applyStyle()
{
    setBackgroundColor(m_barStyle == UIBarStyle::Black ? UIColor::colorWithWhite_alpha(0.1, 1.0)
                                                       : UIColor::colorWithWhite_alpha(0.97, 1.0));
}

void UINavigationBar::layoutSubviews()
{
    UIView::layoutSubviews();
    for (const auto& target : m_itemTargets)
        target->removeFromSuperview();
    m_itemTargets.clear();
    auto navigationController = m_navigationController.lock();
    if (!navigationController || navigationController->viewControllers().empty())
        return;
    auto item = navigationController->viewControllers().back()->navigationItem();
    CGRect box = bounds();
    CGFloat half = std::max(0.0, box.size.width / 2 - kEdgeMargin);
    auto addTarget = [&](const std::shared_ptr<UIBarButtonItem>& barItem, NSTextAlignment alignment) {
        auto text = buttonText(barItem, tintColor());
        if (!text)
            return;
        // The title's width plus the margin on each side, as wide as a finger at least.
        CGFloat width = std::min(half + kEdgeMargin, std::max<CGFloat>(44, layOut(*text, half, alignment).usedRect().size.width + 2 * kEdgeMargin));
        CGFloat x = alignment == NSTextAlignmentLeft ? box.origin.x : box.origin.x + box.size.width - width;
        auto target = std::make_shared<BarButtonTarget>(barItem);
        target->initWithFrame(CGRectMake(x, box.origin.y, width, box.size.height));
        target->setIsAccessibilityElement(true);
        addSubview(target);
        m_itemTargets.push_back(target);
    };
    addTarget(item->leftBarButtonItem(), NSTextAlignmentLeft);
    addTarget(item->rightBarButtonItem(), NSTextAlignmentRight);
}

void UINavigationBar::drawRect(CGRect rect)
{
    auto navigationController = m_navigationController.lock();
    auto context = UIGraphicsGetCurrentContext();
    if (!navigationController || !context)
        return;
    auto stack = navigationController->viewControllers();
    if (stack.empty())
        return;
    auto item = stack.back()->navigationItem();
    auto tint = tintColor();

    std::optional<BarText> left = buttonText(item->leftBarButtonItem(), tint);
    if (!left && stack.size() > 1 && !item->hidesBackButton()) {
        // The back button names the screen it goes back to, as that screen asks.
        auto below = stack[stack.size() - 2]->navigationItem();
        auto back = below->backBarButtonItem();
        std::string title = back && back->title() ? *back->title() : below->title().value_or("");
        left = BarText{"\u2039 " + (title.empty() ? std::string("Back") : title), UIFont::systemFontOfSize(kBarFontSize), tint};
    }
    std::optional<BarText> right = buttonText(item->rightBarButtonItem(), tint);

    CGRect box = bounds();
    CGFloat half = std::max(0.0, box.size.width / 2 - kEdgeMargin);
    CGFloat sideWidth = 0;
    if (left) {
        auto layout = layOut(*left, half, NSTextAlignmentLeft);
        layout.drawCentredVerticallyInRect(context, CGRectMake(box.origin.x + kEdgeMargin, box.origin.y, half, box.size.height));
        sideWidth = std::max(sideWidth, layout.usedRect().size.width);
    }
    if (right) {
        auto layout = layOut(*right, half, NSTextAlignmentRight);
        layout.drawCentredVerticallyInRect(context, CGRectMake(box.origin.x + box.size.width / 2, box.origin.y, half, box.size.height));
        sideWidth = std::max(sideWidth, layout.usedRect().size.width);
    }
    auto title = item->title();
    if (!title || title->empty())
        return;
    // Centred on the bar, clear of the wider button on either side.
    CGFloat inset = sideWidth > 0 ? kEdgeMargin + sideWidth + kTitleGap : kEdgeMargin;
    CGFloat width = box.size.width - 2 * inset;
    if (width <= 0)
        return;
    auto color = m_barStyle == UIBarStyle::Black ? UIColor::whiteColor() : UIColor::blackColor();
    layOut(BarText{*title, UIFont::boldSystemFontOfSize(kBarFontSize), color}, width, NSTextAlignmentCenter)
        .drawCentredVerticallyInRect(context, CGRectMake(box.origin.x + inset, box.origin.y, width, box.size.height));
}
