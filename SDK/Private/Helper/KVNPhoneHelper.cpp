#include "Private/Helper/KVNPhoneHelper.h"

#include "Foundation/NSLocale.h"
#include "PhoneNumber/PhoneNumberUtil.h"
#include "Private/Helper/KVNAlert.h"
#include "Private/Helper/KVNLocalizer.h"
#include "UIKit/UITextField.h"
#include "models/KVNIdentification.h"

bool KVNPhoneHelper::validatePhone_forVC_advancedCheck_dismissBlock(const std::shared_ptr<UITextField>& textField,
                                                                   const std::shared_ptr<UIViewController>& viewController,
                                                                   bool advancedCheck, std::function<void(bool)> dismissBlock)
{
    const std::optional<std::string> typed = textField ? textField->text() : std::nullopt;
    if (!advancedCheck)
        return validateNumberNotEmpty(typed);

    if (auto number = validatePhoneNumber(typed)) {
        if (textField)
            textField->setText(*number);
        if (number == typed) {
            if (dismissBlock)
                dismissBlock(true);
            return true;
        }
        showAlert("js.mobile.phone.validation.corrected", viewController, std::move(dismissBlock));
        return false;
    }
    showAlert("js.mobile.phone.validation.error", viewController, std::move(dismissBlock));
    return false;
}

void KVNPhoneHelper::showAlert(const std::string& messageKey, const std::shared_ptr<UIViewController>& viewController,
                               std::function<void(bool)> dismissBlock)
{
    const std::string message = KVNIdentification::sharedIdentification()->getMessageFor_withDefaultKey(messageKey, messageKey);
    KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock(
        viewController, std::string(), message, KVNLocalizer::localizedStringForKey("OK"), [dismissBlock] {
            if (dismissBlock)
                dismissBlock(false);
        });
}

bool KVNPhoneHelper::isValidPhoneNumber_advancedCheck(const std::optional<std::string>& text, bool advancedCheck)
{
    if (advancedCheck)
        return validatePhoneNumber(text).has_value();
    return validateNumberNotEmpty(text);
}

std::optional<std::string> KVNPhoneHelper::validatePhoneNumber(const std::optional<std::string>& text)
{
    if (!m_phoneUtil)
        m_phoneUtil = std::make_shared<PhoneNumberUtil>();
    if (!text)
        return std::nullopt;
    // The region follows the device's current settings at each check.
    const std::string region = NSLocale::currentLocale()->countryCode().value_or(std::string());
    auto number = m_phoneUtil->parse_defaultRegion_error(*text, region);
    if (!number || !m_phoneUtil->isValidNumber(*number))
        return std::nullopt;
    return m_phoneUtil->format_numberFormat(*number, PhoneNumberFormat::E164);
}

bool KVNPhoneHelper::validateNumberNotEmpty(const std::optional<std::string>& text)
{
    return text && !text->empty();
}
