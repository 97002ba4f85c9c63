#include "UIKit/UIToolbar.h"

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILayoutPriority.h"

void UIToolbar::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setBackgroundColor(UIColor::colorWithWhite_alpha(0.97, 1));
}

void UIToolbar::setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items)
{
    for (auto& button : m_buttons)
        if (button)
            button->removeFromSuperview();
    m_buttons.clear();
    m_items = std::move(items);
    for (auto& item : m_items) {
        if (!item || item->isFlexibleSpace()) {
            m_buttons.push_back(nullptr);
            continue;
        }
        auto button = UIButton::buttonWithType(UIButtonTypeSystem);
        button->setTitle_forState(item->title(), UIControlStateNormal);
        if (item->titleColor())
            button->setTitleColor_forState(item->titleColor(), UIControlStateNormal);
        std::weak_ptr<UIBarButtonItem> weak = item;
        button->addTarget_action_forControlEvents(nullptr, [weak](const std::shared_ptr<UIControl>&) {
            if (auto target = weak.lock())
                target->sendAction();
        }, UIControlEventTouchUpInside);
        addSubview(button);
        m_buttons.push_back(button);
    }
    setNeedsLayout();
}

CGSize UIToolbar::intrinsicContentSize() const
{
    return CGSizeMake(UIViewNoIntrinsicMetric, kHeight);
}

void UIToolbar::layoutSubviews()
{
    UIView::layoutSubviews();
    CGRect area = bounds();
    long buttons = 0, spaces = 0;
    for (auto& button : m_buttons)
        (button ? buttons : spaces)++;
    CGFloat spare = area.size.width - kItemWidth * static_cast<CGFloat>(buttons);
    CGFloat space = spaces > 0 && spare > 0 ? spare / static_cast<CGFloat>(spaces) : 0;
    CGFloat x = 0;
    for (auto& button : m_buttons) {
        if (!button) {
            x += space;
            continue;
        }
        button->setFrame(CGRectMake(x, 0, kItemWidth, area.size.height));
        x += kItemWidth;
    }
}
