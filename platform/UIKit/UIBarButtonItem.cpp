#include "UIKit/UIBarButtonItem.h"

void UIBarButtonItem::initWithTitle_style_target_action(const std::optional<std::string>& title, UIBarButtonItemStyle style,
                                                        const std::shared_ptr<void>& target, Action action)
{
    m_title = title;
    m_style = style;
    setTarget_action(target, std::move(action));
}

void UIBarButtonItem::initWithBarButtonSystemItem_target_action(UIBarButtonSystemItem item, const std::shared_ptr<void>& target,
                                                               Action action)
{
    switch (item) {
    case UIBarButtonSystemItem::Done:
        initWithTitle_style_target_action("Done", UIBarButtonItemStyle::Done, target, std::move(action));
        break;
    case UIBarButtonSystemItem::Cancel:
        initWithTitle_style_target_action("Cancel", UIBarButtonItemStyle::Plain, target, std::move(action));
        break;
    case UIBarButtonSystemItem::FlexibleSpace:
        m_flexibleSpace = true;
        initWithTitle_style_target_action(std::nullopt, UIBarButtonItemStyle::Plain, target, std::move(action));
        break;
    }
}

void UIBarButtonItem::setTarget_action(const std::shared_ptr<void>& target, Action action)
{
    m_hasTarget = target != nullptr;
    m_target = target;
    m_action = std::move(action);
}

bool UIBarButtonItem::sendAction()
{
    if (!m_enabled || !m_action)
        return false;
    // A target that was given and is gone means the button's owner is gone: nothing to do.
    if (m_hasTarget && m_target.expired())
        return false;
    auto keep = weak_from_this().lock();
    auto action = m_action; // the action may replace itself
    action(keep);
    return true;
}
