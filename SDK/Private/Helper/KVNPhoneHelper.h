#pragma once
// Checks the mobile number a user typed. The simple check only wants some text; the advanced
// check parses the number with the device's region as the default (so a national number
// counts), rewrites the field to the E.164 form and tells the user when it had to correct
// or reject the number. The phone-number utility is made on first use and kept as long as
// the helper lives. Main thread.
#include <functional>
#include <memory>
#include <optional>
#include <string>

class PhoneNumberUtil;
class UITextField;
class UIViewController;

class KVNPhoneHelper {
public:
    // Simple check: the field has text, no alert. Advanced check: YES only when the field held
    // the E.164 form already; a number in another form is written into the field in E.164
    // form with an alert, an invalid one gets an alert and stays as typed. The dismiss block
    // (may be empty) gets YES at once for a number in E.164 form, NO when the alert's button
    // is tapped.
    bool validatePhone_forVC_advancedCheck_dismissBlock(const std::shared_ptr<UITextField>& textField,
                                                       const std::shared_ptr<UIViewController>& viewController, bool advancedCheck,
                                                       std::function<void(bool)> dismissBlock);
    bool isValidPhoneNumber_advancedCheck(const std::optional<std::string>& text, bool advancedCheck);
    // The number in E.164 form ("+4915123456789"), or nothing when the text is no valid number.
    std::optional<std::string> validatePhoneNumber(const std::optional<std::string>& text);
    bool validateNumberNotEmpty(const std::optional<std::string>& text);

private:
    void showAlert(const std::string& messageKey, const std::shared_ptr<UIViewController>& viewController,
                   std::function<void(bool)> dismissBlock);

    std::shared_ptr<PhoneNumberUtil> m_phoneUtil;
};
