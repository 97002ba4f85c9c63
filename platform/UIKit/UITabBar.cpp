#include "UIKit/UITabBar.h"

#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UILabel.h"

namespace {

std::shared_ptr<UIColor> selectedTint()
{
    return UIColor::colorWithRed_green_blue_alpha(0.0, 0.48, 1.0, 1.0);
}

} // namespace

void UITabBar::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setBackgroundColor(UIColor::colorWithWhite_alpha(0.97, 1.0));
}

void UITabBar::setItemTitles(const std::vector<std::optional<std::string>>& titles)
{
    for (auto& button : m_buttons)
        button->removeFromSuperview();
    m_buttons.clear();
    for (size_t i = 0; i < titles.size(); ++i) {
        auto button = UIButton::buttonWithType(UIButtonTypeCustom);
        button->setTitle_forState(titles[i], UIControlStateNormal);
        button->titleLabel()->setFont(UIFont::systemFontOfSize(12));
        // Weak: the bar owns its buttons, and so their actions.
        std::weak_ptr<UITabBar> weakBar = std::static_pointer_cast<UITabBar>(shared_from_this());
        const long index = static_cast<long>(i);
        button->addTarget_action_forControlEvents(
            nullptr,
            [weakBar, index](const std::shared_ptr<UIControl>&) {
                auto bar = weakBar.lock();
                if (bar && bar->m_selectionHandler)
                    bar->m_selectionHandler(index);
            },
            UIControlEventTouchUpInside);
        // Below whatever else the bar carries, which was put there to stay on top.
        insertSubview_atIndex(button, static_cast<long>(i));
        m_buttons.push_back(button);
    }
    setSelectedIndex(m_selectedIndex);
    setNeedsLayout();
}

void UITabBar::setSelectedIndex(long index)
{
    m_selectedIndex = index;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const bool selected = static_cast<long>(i) == index;
        m_buttons[i]->setSelected(selected);
        m_buttons[i]->setTitleColor_forState(selected ? selectedTint() : UIColor::grayColor(), UIControlStateNormal);
    }
}

void UITabBar::layoutSubviews()
{
    UIView::layoutSubviews();
    if (m_buttons.empty())
        return;
    const auto size = bounds().size;
    const double width = size.width / static_cast<double>(m_buttons.size());
    for (size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setFrame(CGRectMake(width * static_cast<double>(i), 0, width, size.height));
}
