#include "UIKit/UIAlertAction.h"

std::shared_ptr<UIAlertAction> UIAlertAction::actionWithTitle_style_handler(const std::optional<std::string>& title, UIAlertActionStyle style,
                                                                           Handler handler)
{
    auto action = std::make_shared<UIAlertAction>();
    action->m_title = title;
    action->m_style = style;
    action->m_handler = std::move(handler);
    return action;
}
