#pragma once
// Alerts of the identification library in the theme's brand colour: one with up to two
// buttons (a cancel-style one and a default-style one, each running its block), and the
// camera-permission alert with a button to the app's page of the system settings.
// The platform re-tints an alert's view while presenting it, so the brand tint is set again
// right after presenting and once more 0.1 s later. Class operations only; main thread.
#include <functional>
#include <memory>
#include <optional>
#include <string>

class UIAlertController;
class UIViewController;

class KVNAlert {
public:
    // A button is added only when its title is given; a missing block makes a button that
    // only closes the alert. Answers the presented alert.
    static std::shared_ptr<UIAlertController> presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        const std::shared_ptr<UIViewController>& viewController, const std::optional<std::string>& title,
        const std::optional<std::string>& message, const std::optional<std::string>& cancelButtonTitle, std::function<void()> cancelBlock,
        const std::optional<std::string>& secondButtonTitle, std::function<void()> secondButtonBlock);

    static std::shared_ptr<UIAlertController> presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock(
        const std::shared_ptr<UIViewController>& viewController, const std::optional<std::string>& title,
        const std::optional<std::string>& message, const std::optional<std::string>& cancelButtonTitle, std::function<void()> cancelBlock);

    // Buttons "OK" (cancel style, closes) and "SETTINGS" (opens the app's settings page), localized.
    static std::shared_ptr<UIAlertController> presentPermissionAlertFromViewController_withTitle_settingsMessage(
        const std::shared_ptr<UIViewController>& viewController, const std::optional<std::string>& title,
        const std::optional<std::string>& settingsMessage);
};
