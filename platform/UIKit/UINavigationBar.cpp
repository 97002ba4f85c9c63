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

using BarText = UINavigationBar::BarText;

namespace {

constexpr CGFloat kBarFontSize = 17;
constexpr CGFloat kEdgeMargin = 8;
constexpr CGFloat kTitleGap = 8;

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

UINavigationBar::Content UINavigationBar::content() const
{
    Content content;
    auto navigationController = m_navigationController.lock();
    if (!navigationController)
        return content;
    auto stack = navigationController->viewControllers();
    if (stack.empty())
        return content;
    auto item = stack.back()->navigationItem();
    auto tint = tintColor();
    CGRect box = bounds();
    CGFloat half = std::max(0.0, box.size.width / 2 - kEdgeMargin);
    auto widthOf = [&](const std::optional<BarText>& text, NSTextAlignment alignment) {
        return text ? layOut(*text, half, alignment).usedRect().size.width : 0.0;
    };

    content.left = buttonText(item->leftBarButtonItem(), tint);
    content.right = buttonText(item->rightBarButtonItem(), tint);
    if (auto title = item->title(); title && !title->empty())
        content.title = BarText{*title, UIFont::boldSystemFontOfSize(kBarFontSize),
                                m_barStyle == UIBarStyle::Black ? UIColor::whiteColor() : UIColor::blackColor()};
    // Where the title goes when the sides are `sideWidth` wide: centred on the bar, clear of
    // the wider side.
    auto titleRoom = [&](CGFloat sideWidth) {
        CGFloat inset = sideWidth > 0 ? kEdgeMargin + sideWidth + kTitleGap : kEdgeMargin;
        return CGRectMake(box.origin.x + inset, box.origin.y, box.size.width - 2 * inset, box.size.height);
    };
    const CGFloat rightWidth = widthOf(content.right, NSTextAlignmentRight);

    if (!content.left && stack.size() > 1 && !item->hidesBackButton()) {
        // The back button names the screen it goes back to, as that screen asks; when that
        // would cut the title, it says only "Back", and then shows only its arrow.
        auto below = stack[stack.size() - 2]->navigationItem();
        auto back = below->backBarButtonItem();
        std::string name = back && back->title() ? *back->title() : below->title().value_or("");
        std::vector<std::string> candidates;
        if (!name.empty() && name != "Back")
            candidates.push_back("\u2039 " + name);
        candidates.push_back("\u2039 Back");
        candidates.push_back("\u2039");
        const CGFloat titleWidth = content.title ? layOut(*content.title, Text::Unbounded, NSTextAlignmentCenter).usedRect().size.width : 0;
        for (const auto& candidate : candidates) {
            content.left = BarText{candidate, UIFont::systemFontOfSize(kBarFontSize), tint};
            content.leftIsBack = true;
            CGFloat sides = std::max(rightWidth, widthOf(content.left, NSTextAlignmentLeft));
            if (titleRoom(sides).size.width >= titleWidth)
                break;
        }
    }
    content.titleRect = titleRoom(std::max(rightWidth, widthOf(content.left, NSTextAlignmentLeft)));
    return content;
}

std::optional<std::string> UINavigationBar::backButtonTitle() const
{
    auto shown = content();
    if (!shown.leftIsBack)
        return std::nullopt;
    return shown.left->text;
}

void UINavigationBar::drawRect(CGRect rect)
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return;
    auto shown = content();
    CGRect box = bounds();
    CGFloat half = std::max(0.0, box.size.width / 2 - kEdgeMargin);
    if (shown.left)
        layOut(*shown.left, half, NSTextAlignmentLeft)
            .drawCentredVerticallyInRect(context, CGRectMake(box.origin.x + kEdgeMargin, box.origin.y, half, box.size.height));
    if (shown.right)
        layOut(*shown.right, half, NSTextAlignmentRight)
            .drawCentredVerticallyInRect(context, CGRectMake(box.origin.x + box.size.width / 2, box.origin.y, half, box.size.height));
    if (shown.title && shown.titleRect.size.width > 0)
        layOut(*shown.title, shown.titleRect.size.width, NSTextAlignmentCenter).drawCentredVerticallyInRect(context, shown.titleRect);
}
