#include "UIKit/UIAlertController.h"

#include <algorithm>

#include "UIKit/AlertView.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIView.h"

std::shared_ptr<UIAlertController> UIAlertController::alertControllerWithTitle_message_preferredStyle(const std::optional<std::string>& title,
                                                                                                     const std::optional<std::string>& message,
                                                                                                     UIAlertControllerStyle preferredStyle)
{
    auto alert = std::make_shared<UIAlertController>();
    alert->init();
    alert->setTitle(title);
    alert->m_message = message;
    alert->m_preferredStyle = preferredStyle;
    // An alert lies over its presenter, which stays on screen.
    alert->setModalPresentationStyle(UIModalPresentationStyle::Custom);
    return alert;
}

void UIAlertController::addAction(const std::shared_ptr<UIAlertAction>& action)
{
    if (!action)
        return;
    if (std::find(m_actions.begin(), m_actions.end(), action) != m_actions.end()) {
        UIKitLog("an alert action was added twice; ignored");
        return;
    }
    if (action->style() == UIAlertActionStyle::Cancel &&
        std::any_of(m_actions.begin(), m_actions.end(), [](const auto& a) { return a->style() == UIAlertActionStyle::Cancel; })) {
        UIKitLog("an alert can only have one action of the cancel style; ignored");
        return;
    }
    m_actions.push_back(action);
    contentDidChange();
}

void UIAlertController::setMessage(const std::optional<std::string>& message)
{
    m_message = message;
    contentDidChange();
}

void UIAlertController::setTitle(const std::optional<std::string>& title)
{
    UIViewController::setTitle(title);
    contentDidChange();
}

void UIAlertController::contentDidChange()
{
    if (auto view = viewIfLoaded())
        view->setNeedsLayout();
}

void UIAlertController::setPreferredAction(const std::shared_ptr<UIAlertAction>& action)
{
    if (action && std::find(m_actions.begin(), m_actions.end(), action) == m_actions.end()) {
        UIKitLog("the preferred action must be one of the alert's actions; ignored");
        return;
    }
    m_preferredAction = action;
    contentDidChange();
}

bool UIAlertController::tapActionWithTitle(const std::string& title)
{
    for (const auto& action : m_actions)
        if (action->title() == title && action->isEnabled())
            return tap(action);
    return false;
}

bool UIAlertController::tapActionAtIndex(size_t index)
{
    if (index >= m_actions.size())
        return false;
    return tap(m_actions[index]);
}

bool UIAlertController::tap(const std::shared_ptr<UIAlertAction>& action)
{
    if (!action->isEnabled() || !presentingViewController() || isBeingDismissed())
        return false;
    // As on the platform: the alert goes away first, the handler runs once it has gone.
    dismissViewControllerAnimated_completion(true, [action] {
        if (action->handler())
            action->handler()(action);
    });
    return true;
}

void UIAlertController::loadView()
{
    auto view = std::make_shared<UIKitDetail::AlertView>(std::static_pointer_cast<UIAlertController>(shared_from_this()));
    view->initWithFrame(UIScreen::mainScreen()->bounds());
    setView(view);
}
