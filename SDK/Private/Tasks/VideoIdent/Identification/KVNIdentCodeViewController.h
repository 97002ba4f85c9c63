#pragma once
// The ident code screen of a video identification: the user picks the channel (SMS to the
// mobile number, or e-mail), may correct the number or address, asks for a code, and then
// types the code and confirms it. It does no network work: every request goes to the
// delegate, the content stays disabled meanwhile, and the owner reports the outcome through
// the success and failure operations. The button rides on the keyboard.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "Private/Tasks/VideoIdent/Identification/KVNKeyboardViewController.h"
#include "Private/UIElements/KVNIdentCodeViewDelegate.h"
#include "UIKit/UITextField.h"

class KVNESignNativeConsentProtocolUI;
class KVNIdentCodeInputView;
class KVNIdentCodeView;
class KVNIdentCodeViewControllerDelegate;
class KVNPhoneHelper;
class KVNRoundedButton;
class NSNotificationObserver;
class UIControl;
namespace Layout {
class MadeConstraint;
}

class KVNIdentCodeViewController : public KVNKeyboardViewController, public UITextFieldDelegate, public KVNIdentCodeViewDelegate {
public:
    ~KVNIdentCodeViewController() override;

    // Consent mode, for the e-signing consent step.
    void init(bool useConsentProtocol);
    void init() override;

    void viewDidLoad() override;
    void viewWillDisappear(bool animated) override;

    std::shared_ptr<KVNIdentCodeViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNIdentCodeViewControllerDelegate>& delegate) { m_delegate = delegate; }
    std::shared_ptr<KVNESignNativeConsentProtocolUI> consentProtcolUI() const { return m_consentProtcolUI.lock(); }
    void setConsentProtcolUI(const std::shared_ptr<KVNESignNativeConsentProtocolUI>& ui) { m_consentProtcolUI = ui; }
    bool useConsentProtocol() const { return m_useConsentProtocol; }

    // A KVNIdentCodeLayout; rebuilds the content once the view is loaded.
    long identCodeLayout() const { return m_identCodeLayout; }
    void setIdentCodeLayout(long layout);

    void requestingCodeWasSuccessfull();
    void sendingCodeWasSuccessfull();
    void requestingCodeFailed();
    void sendingCodeFailed();
    bool keyBoardVisible() const { return m_keyboardIsVisible; }

    const std::shared_ptr<UIView>& contentView() const { return m_contentView; }
    const std::shared_ptr<KVNIdentCodeView>& identCodeView() const { return m_identCodeView; }
    const std::shared_ptr<KVNIdentCodeInputView>& phoneNumberInputView() const { return m_phoneNumberInputView; }
    const std::shared_ptr<KVNIdentCodeInputView>& emailInputView() const { return m_emailInputView; }
    const std::shared_ptr<UITextField>& identCodeTextField() const { return m_identCodeTextField; }
    const std::shared_ptr<KVNRoundedButton>& button() const { return m_button; }
    const std::shared_ptr<Layout::MadeConstraint>& bottomLayoutConstraint() const { return m_bottomLayoutConstraint; }
    bool keyboardIsVisible() const { return m_keyboardIsVisible; }
    bool keyboardAnimationDisabled() const { return m_keyboardAnimationDisabled; }
    const std::optional<std::string>& tempIdentCode() const { return m_tempIdentCode; }
    const std::optional<std::string>& tempPhoneNumber() const { return m_tempPhoneNumber; }
    const std::optional<std::string>& tempEmailAddress() const { return m_tempEmailAddress; }

    bool resignFirstResponder() override;

    // Text fields.
    bool textFieldShouldReturn(const std::shared_ptr<UITextField>& textField) override;
    void textFieldDidBeginEditing(const std::shared_ptr<UITextField>& textField) override;
    bool textFieldShouldEndEditing(const std::shared_ptr<UITextField>& textField) override;

    // The header's link.
    void identCodeViewDidTapRequestAgainButton(const std::shared_ptr<KVNIdentCodeView>& view) override;

    void keyboardWillShowWithHeight_duration_animationOptions(CGFloat height, double duration, UIViewAnimationOptions options) override;
    void keyboardWillHideWithDuration_animationOptions(double duration, UIViewAnimationOptions options) override;

private:
    void setUp();
    std::shared_ptr<KVNIdentCodeViewController> self();
    std::shared_ptr<KVNIdentCodeInputView> makeRow(const std::string& titleKey, const std::string& placeholderKey,
                                                   const std::optional<std::string>& text, bool checkMarkVisible,
                                                   void (KVNIdentCodeViewController::*tapped)());
    void textFieldEditingChanged(const std::shared_ptr<UIControl>& sender);
    void phoneNumberInputViewTapped();
    void emailInputViewTapped();
    void chooseRow(bool email);
    void requestButtonTapped(const std::shared_ptr<UIControl>& sender);
    void requestCodeViaEmail(bool viaEmail);
    void sendCode();
    void hideKeyboard();
    void setContentEnabled(bool enabled);
    void updateButtonAnimated(bool animated);
    bool phoneNumberCheckEnabled() const;
    void applicationWillResignActive();
    void applicationDidBecomeActive();

    std::weak_ptr<KVNIdentCodeViewControllerDelegate> m_delegate;
    std::weak_ptr<KVNESignNativeConsentProtocolUI> m_consentProtcolUI;
    bool m_useConsentProtocol = false;
    long m_identCodeLayout = 0;
    std::shared_ptr<UIView> m_contentView;
    std::shared_ptr<KVNIdentCodeView> m_identCodeView;
    std::shared_ptr<KVNIdentCodeInputView> m_phoneNumberInputView;
    std::shared_ptr<KVNIdentCodeInputView> m_emailInputView;
    std::shared_ptr<UITextField> m_identCodeTextField;
    std::shared_ptr<KVNRoundedButton> m_button;
    std::shared_ptr<Layout::MadeConstraint> m_bottomLayoutConstraint;
    // Constraints of the current layout, dropped at the next rebuild.
    std::vector<std::shared_ptr<Layout::MadeConstraint>> m_layoutConstraints;
    bool m_keyboardIsVisible = false;
    bool m_keyboardAnimationDisabled = false;
    std::optional<std::string> m_tempIdentCode;
    std::optional<std::string> m_tempPhoneNumber;
    std::optional<std::string> m_tempEmailAddress;
    // The three texts above were saved on resigning active and wait to be put back.
    bool m_holdsTextsWhileInactive = false;
    std::shared_ptr<KVNPhoneHelper> m_phoneHelper;
    std::shared_ptr<NSNotificationObserver> m_willResignActiveObserver;
    std::shared_ptr<NSNotificationObserver> m_didBecomeActiveObserver;
};
