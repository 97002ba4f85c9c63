#include "Private/Helper/KVNAlert.h"

#include "Foundation/Dispatch.h"
#include "Private/Helper/KVNHelper.h"
#include "Private/Helper/KVNLocalizer.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIView.h"
#include "public/KavoniAppearance.h"

namespace {

void applyBrandTint(const std::shared_ptr<UIAlertController>& alert)
{
    alert->view()->setTintColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
}

} // namespace

std::shared_ptr<UIAlertController>
KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
    const std::shared_ptr<UIViewController>& viewController, const std::optional<std::string>& title,
    const std::optional<std::string>& message, const std::optional<std::string>& cancelButtonTitle, std::function<void()> cancelBlock,
    const std::optional<std::string>& secondButtonTitle, std::function<void()> secondButtonBlock)
{
    auto alert = UIAlertController::alertControllerWithTitle_message_preferredStyle(title, message, UIAlertControllerStyle::Alert);
    applyBrandTint(alert);
    if (cancelButtonTitle) {
        alert->addAction(UIAlertAction::actionWithTitle_style_handler(cancelButtonTitle, UIAlertActionStyle::Cancel,
                                                                      [cancelBlock](const std::shared_ptr<UIAlertAction>&) {
                                                                          if (cancelBlock)
                                                                              cancelBlock();
                                                                      }));
    }
    if (secondButtonTitle) {
        alert->addAction(UIAlertAction::actionWithTitle_style_handler(secondButtonTitle, UIAlertActionStyle::Default,
                                                                      [secondButtonBlock](const std::shared_ptr<UIAlertAction>&) {
                                                                          if (secondButtonBlock)
                                                                              secondButtonBlock();
                                                                      }));
    }
    if (viewController)
        viewController->presentViewController_animated_completion(alert, true, nullptr);
    applyBrandTint(alert);
    std::weak_ptr<UIAlertController> weakAlert = alert;
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, static_cast<int64_t>(0.1 * NSEC_PER_SEC)), dispatch_get_main_queue(), [weakAlert] {
        if (auto alert = weakAlert.lock())
            applyBrandTint(alert);
    });
    return alert;
}

std::shared_ptr<UIAlertController> KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock(
    const std::shared_ptr<UIViewController>& viewController, const std::optional<std::string>& title,
    const std::optional<std::string>& message, const std::optional<std::string>& cancelButtonTitle, std::function<void()> cancelBlock)
{
    return presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        viewController, title, message, cancelButtonTitle, std::move(cancelBlock), std::nullopt, nullptr);
}

std::shared_ptr<UIAlertController> KVNAlert::presentPermissionAlertFromViewController_withTitle_settingsMessage(
    const std::shared_ptr<UIViewController>& viewController, const std::optional<std::string>& title,
    const std::optional<std::string>& settingsMessage)
{
    return presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        viewController, title, settingsMessage, KVNLocalizer::localizedStringForKey("OK"), nullptr,
        KVNLocalizer::localizedStringForKey("SETTINGS"), [] { KVNHelper::openUrlCompat(UIApplicationOpenSettingsURLString); });
}
