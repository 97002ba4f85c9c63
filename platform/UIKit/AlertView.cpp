#include "UIKit/AlertView.h"

#include <cmath>

#include "UIKit/UIAlertController.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITapGestureRecognizer.h"

namespace UIKitDetail {

namespace {

constexpr CGFloat kAlertWidth = 270;
constexpr CGFloat kSheetMargin = 8;
constexpr CGFloat kPadding = 16;
constexpr CGFloat kTopPadding = 20;
constexpr CGFloat kBottomPadding = 20;
constexpr CGFloat kTitleToMessage = 4;
constexpr CGFloat kButtonHeight = 44;
constexpr CGFloat kHairline = 0.5;

std::shared_ptr<UILabel> makeLabel(const std::string& text, std::shared_ptr<UIFont> font, std::shared_ptr<UIColor> color, long lines)
{
    auto label = std::make_shared<UILabel>();
    label->init();
    label->setText(text);
    label->setFont(std::move(font));
    label->setTextColor(std::move(color));
    label->setTextAlignment(NSTextAlignmentCenter);
    label->setNumberOfLines(lines);
    return label;
}

void addHairline(const std::shared_ptr<UIView>& panel, CGRect frame)
{
    auto line = std::make_shared<UIView>();
    line->initWithFrame(frame);
    line->setBackgroundColor(UIColor::colorWithWhite_alpha(0.8, 1));
    panel->addSubview(line);
}

} // namespace

AlertView::AlertView(std::weak_ptr<UIAlertController> alert) : m_alert(std::move(alert)) {}

void AlertView::layoutSubviews()
{
    UIView::layoutSubviews();
    if (m_panel)
        m_panel->removeFromSuperview();
    m_panel = nullptr;
    auto alert = m_alert.lock();
    if (!alert)
        return;
    setBackgroundColor(UIColor::colorWithWhite_alpha(0, 0.4));
    bool sheet = alert->preferredStyle() == UIAlertControllerStyle::ActionSheet;
    CGRect area = bounds();
    CGFloat width = sheet ? std::max(0.0, area.size.width - 2 * kSheetMargin) : std::min(kAlertWidth, area.size.width);

    auto panel = std::make_shared<UIView>();
    panel->init();
    panel->setBackgroundColor(UIColor::colorWithWhite_alpha(0.97, 1));
    CGFloat textWidth = std::max(0.0, width - 2 * kPadding);
    CGFloat y = kTopPadding;
    auto addText = [&](const std::optional<std::string>& text, std::shared_ptr<UIFont> font) {
        if (!text || text->empty())
            return;
        if (y > kTopPadding)
            y += kTitleToMessage;
        auto label = makeLabel(*text, std::move(font), UIColor::blackColor(), 0);
        CGSize size = label->sizeThatFits(CGSizeMake(textWidth, 0));
        label->setFrame(CGRectMake(kPadding, y, textWidth, size.height));
        panel->addSubview(label);
        y += size.height;
    };
    addText(alert->title(), UIFont::boldSystemFontOfSize(17));
    addText(alert->message(), UIFont::systemFontOfSize(13));
    y += kBottomPadding;

    const auto& actions = alert->actions();
    bool sideBySide = actions.size() == 2;
    for (size_t i = 0; i < actions.size(); ++i) {
        const auto& action = actions[i];
        CGRect frame = sideBySide ? CGRectMake(i * width / 2, y, width / 2, kButtonHeight) : CGRectMake(0, y + i * kButtonHeight, width, kButtonHeight);
        bool emphasised = action->style() == UIAlertActionStyle::Cancel || action == alert->preferredAction();
        auto color = action->style() == UIAlertActionStyle::Destructive ? UIColor::colorWithRed_green_blue_alpha(1, 0.23, 0.19, 1) : tintColor();
        if (!action->isEnabled())
            color = color->colorWithAlphaComponent(0.4);
        auto button = makeLabel(action->title().value_or(""), emphasised ? UIFont::boldSystemFontOfSize(17) : UIFont::systemFontOfSize(17), color, 1);
        button->setFrame(CGRectMake(frame.origin.x + 4, frame.origin.y, std::max(0.0, frame.size.width - 8), frame.size.height));
        // A person's tap on the title goes the same way as tapActionAtIndex, so the hit test
        // and the automation reach the buttons as they reach any other.
        button->setUserInteractionEnabled(true);
        button->setAccessibilityTraits(UIAccessibilityTraitButton);
        auto tap = std::make_shared<UITapGestureRecognizer>();
        std::weak_ptr<UIAlertController> weakAlert = m_alert;
        tap->initWithTarget_action(button, [weakAlert, i](const std::shared_ptr<UIGestureRecognizer>&) {
            if (auto owner = weakAlert.lock())
                owner->tapActionAtIndex(i);
        });
        button->addGestureRecognizer(tap);
        addHairline(panel, CGRectMake(frame.origin.x, frame.origin.y, frame.size.width, kHairline));
        if (sideBySide && i == 1)
            addHairline(panel, CGRectMake(frame.origin.x, frame.origin.y, kHairline, kButtonHeight));
        panel->addSubview(button);
    }
    if (!actions.empty())
        y += sideBySide ? kButtonHeight : actions.size() * kButtonHeight;

    CGFloat x = std::round(area.origin.x + (area.size.width - width) / 2);
    CGFloat top = sheet ? area.origin.y + area.size.height - kSheetMargin - y : std::round(area.origin.y + (area.size.height - y) / 2);
    panel->setFrame(CGRectMake(x, top, width, y));
    addSubview(panel);
    m_panel = panel;
}

} // namespace UIKitDetail
