#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSParagraphStyle.h"
#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNPhoneHelper.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeInputView.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewControllerDelegate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationStatus.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNIdentCodeLayout.h"
#include "Private/UIElements/KVNIdentCodeView.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNTextField.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniAppearance.h"

namespace {

std::shared_ptr<KVNVideoIdentification> videoData() { return KVNIdentification::sharedIdentification()->videoIdentification(); }

} // namespace

KVNIdentCodeViewController::~KVNIdentCodeViewController()
{
    auto center = NSNotificationCenter::defaultCenter();
    if (m_willResignActiveObserver)
        center->removeObserver(m_willResignActiveObserver);
    if (m_didBecomeActiveObserver)
        center->removeObserver(m_didBecomeActiveObserver);
}

void KVNIdentCodeViewController::init(bool useConsentProtocol)
{
    UIViewController::init();
    m_useConsentProtocol = useConsentProtocol;
    setUp();
}

void KVNIdentCodeViewController::init()
{
    UIViewController::init();
    setUp();
}

std::shared_ptr<KVNIdentCodeViewController> KVNIdentCodeViewController::self()
{
    return std::static_pointer_cast<KVNIdentCodeViewController>(shared_from_this());
}

std::shared_ptr<KVNIdentCodeInputView> KVNIdentCodeViewController::makeRow(const std::string& titleKey, const std::string& placeholderKey,
                                                                           const std::optional<std::string>& text, bool checkMarkVisible,
                                                                           void (KVNIdentCodeViewController::*tapped)())
{
    auto weak = std::weak_ptr<KVNIdentCodeViewController>(self());
    auto row = std::make_shared<KVNIdentCodeInputView>();
    row->initWithTitle_textFieldPlaceholder_textFieldText_checkMarkVisible(
        KVNLocalizer::localizedStringForKey(titleKey), KVNLocalizer::localizedStringForKey(placeholderKey), text, checkMarkVisible);
    row->textField()->setDelegate(self());
    row->textField()->addTarget_action_forControlEvents(
        self(),
        kvn::bindToMainQueue(
            weak, [](KVNIdentCodeViewController& me, const std::shared_ptr<UIControl>& sender) { me.textFieldEditingChanged(sender); }),
        UIControlEventEditingChanged);
    auto tap = std::make_shared<UITapGestureRecognizer>();
    tap->initWithTarget_action(
        self(), kvn::bindToMainQueue(weak, [tapped](KVNIdentCodeViewController& me, const std::shared_ptr<UIGestureRecognizer>&) {
            (me.*tapped)();
        }));
    row->addGestureRecognizer(tap);
    return row;
}

void KVNIdentCodeViewController::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto weak = std::weak_ptr<KVNIdentCodeViewController>(self());
    auto video = videoData();
    m_phoneHelper = std::make_shared<KVNPhoneHelper>();

    m_phoneNumberInputView =
        makeRow("IDENT_CODE_MOBILE_NUMBER_TITLE", "IDENT_CODE_MOBILE_NUMBER_PLACEHOLDER", video ? video->mobile() : std::nullopt,
                video && video->identCodeEmailEnabled(), &KVNIdentCodeViewController::phoneNumberInputViewTapped);
    m_phoneNumberInputView->textField()->setKeyboardType(UIKeyboardTypePhonePad);
    m_phoneNumberInputView->checkBoxButton()->setSelected(true);

    m_emailInputView = makeRow("IDENT_CODE_EMAIL_TITLE", "IDENT_CODE_EMAIL_PLACEHOLDER", video ? video->email() : std::nullopt, true,
                               &KVNIdentCodeViewController::emailInputViewTapped);
    m_emailInputView->textField()->setKeyboardType(UIKeyboardTypeEmailAddress);
    m_emailInputView->textField()->setAutocapitalizationType(UITextAutocapitalizationTypeNone);

    m_contentView = std::make_shared<UIView>();
    m_contentView->init();
    m_contentView->setBackgroundColor(UIColor::clearColor());
    m_contentView->setClipsToBounds(true);

    auto codeField = std::make_shared<KVNTextField>();
    codeField->init();
    codeField->setDelegate(self());
    codeField->setKeyboardType(UIKeyboardTypeNumberPad);
    codeField->setTextAlignment(static_cast<NSTextAlignment>(KavoniAppearance::sharedAppearance()->textFieldTextAlignment()));
    codeField->setPlaceholder(KVNLocalizer::localizedStringForKey("IDENT_CODE_PLACEHOLDER"));
    codeField->addTarget_action_forControlEvents(
        self(),
        kvn::bindToMainQueue(
            weak, [](KVNIdentCodeViewController& me, const std::shared_ptr<UIControl>& sender) { me.textFieldEditingChanged(sender); }),
        UIControlEventEditingChanged);
    m_identCodeTextField = codeField;

    m_button = std::make_shared<KVNRoundedButton>();
    m_button->init();
    m_button->addTarget_action_forControlEvents(
        self(),
        kvn::bindToMainQueue(
            weak, [](KVNIdentCodeViewController& me, const std::shared_ptr<UIControl>& sender) { me.requestButtonTapped(sender); }),
        UIControlEventTouchUpInside);

    m_identCodeView = std::make_shared<KVNIdentCodeView>();
    m_identCodeView->init();
    m_identCodeView->setDelegate(self());
    m_keyboardIsVisible = false;
}

void KVNIdentCodeViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    KVNKeyboardViewController::viewDidLoad();
    auto weak = std::weak_ptr<KVNIdentCodeViewController>(self());
    auto root = view();
    root->setBackgroundColor(UIColor::clearColor());

    auto tap = std::make_shared<UITapGestureRecognizer>();
    tap->initWithTarget_action(
        self(),
        kvn::bindToMainQueue(weak, [](KVNIdentCodeViewController& me, const std::shared_ptr<UIGestureRecognizer>&) { me.hideKeyboard(); }));
    m_contentView->addGestureRecognizer(tap);

    auto blurred = std::make_shared<KVNBlurredView>();
    blurred->init();
    root->addSubview(blurred);
    Layout::ConstraintMaker::make(blurred, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(root); });
    auto blurredContent = blurred->contentView();
    blurredContent->addSubview(m_contentView);
    Layout::ConstraintMaker::make(m_contentView, [&](Layout::ConstraintMaker& make) {
        make.left().right().bottom().equalTo(blurredContent);
        make.top().equalTo(topLayoutGuide()->bottomAnchor()).offset(10);
    });

    m_contentView->addSubview(m_button);
    m_contentView->addSubview(m_identCodeView);
    Layout::ConstraintMaker::make(m_button, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_contentView).offset(20);
        make.right().equalTo(m_contentView).offset(-20);
        m_bottomLayoutConstraint = make.bottom().equalTo(m_contentView).offset(-20).kept();
    });
    Layout::ConstraintMaker::make(m_identCodeView, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_contentView);
        make.top().equalTo(m_contentView).offset(59).priority(250);
    });

    setIdentCodeLayout(KVNIdentCodeLayoutRequestCode);

    auto center = NSNotificationCenter::defaultCenter();
    m_willResignActiveObserver = center->addObserverForName_object_queue_usingBlock(
        UIApplicationWillResignActiveNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNIdentCodeViewController& me, const NSNotification&) { me.applicationWillResignActive(); }));
    m_didBecomeActiveObserver = center->addObserverForName_object_queue_usingBlock(
        UIApplicationDidBecomeActiveNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNIdentCodeViewController& me, const NSNotification&) { me.applicationDidBecomeActive(); }));
}

void KVNIdentCodeViewController::viewWillDisappear(bool animated)
{
    KVNKeyboardViewController::viewWillDisappear(animated);
    resignFirstResponder();
}

void KVNIdentCodeViewController::setIdentCodeLayout(long layout)
{
    KVN_ASSERT_MAIN_THREAD();
    m_identCodeLayout = layout;
    if (!isViewLoaded())
        return;

    for (auto& constraint : m_layoutConstraints)
        constraint->uninstall();
    m_layoutConstraints.clear();
    m_phoneNumberInputView->removeFromSuperview();
    m_emailInputView->removeFromSuperview();
    m_identCodeTextField->removeFromSuperview();

    auto keep = [this](Layout::MadeConstraint& made) { m_layoutConstraints.push_back(made.kept()); };
    if (layout == KVNIdentCodeLayoutRequestCode) {
        auto video = videoData();
        m_contentView->addSubview(m_phoneNumberInputView);
        Layout::ConstraintMaker::make(m_phoneNumberInputView, [&](Layout::ConstraintMaker& make) {
            make.left().right().equalTo(m_contentView);
            make.top().equalTo(m_identCodeView->bottomAnchor());
        });
        std::shared_ptr<UIView> lowest = m_phoneNumberInputView;
        if (video && video->identCodeEmailEnabled()) {
            m_contentView->addSubview(m_emailInputView);
            Layout::ConstraintMaker::make(m_emailInputView, [&](Layout::ConstraintMaker& make) {
                make.left().right().equalTo(m_phoneNumberInputView);
                make.top().equalTo(m_phoneNumberInputView->bottomAnchor()).offset(20);
            });
            lowest = m_emailInputView;
        }
        Layout::ConstraintMaker::make(
            m_button, [&](Layout::ConstraintMaker& make) { keep(make.top().greaterThanOrEqualTo(lowest->bottomAnchor()).offset(10)); });
        m_button->setTitle_forState(KVNLocalizer::localizedStringForKey("IDENT_CODE_REQUEST_SMS_BUTTON_TITLE"), UIControlStateNormal);
    } else {
        m_identCodeTextField->setText(std::nullopt);
        m_contentView->addSubview(m_identCodeTextField);
        Layout::ConstraintMaker::make(m_identCodeTextField, [&](Layout::ConstraintMaker& make) {
            make.height().equalTo(45);
            make.left().right().equalTo(m_button);
            make.bottom().equalTo(m_button->topAnchor()).offset(-10);
            make.top().greaterThanOrEqualTo(m_identCodeView->bottomAnchor());
        });
        m_button->setTitle_forState(KVNLocalizer::localizedStringForKey("IDENT_CODE_CONFIRM_BUTTON_TITLE"), UIControlStateNormal);
        m_button->setEnabled_animated(false, false);
    }
    m_identCodeView->updateForIdentCodeLayout(layout);
    updateButtonAnimated(false);
}

bool KVNIdentCodeViewController::phoneNumberCheckEnabled() const
{
    auto video = videoData();
    return video && video->isPhoneNumberCheckEnabled();
}

void KVNIdentCodeViewController::updateButtonAnimated(bool animated)
{
    bool enabled = true;
    if (m_identCodeLayout != KVNIdentCodeLayoutRequestCode && !KVNExtensions::isWellFilled(m_identCodeTextField->text()))
        enabled = false;
    else if (m_phoneNumberInputView->checkBoxButton()->isSelected() &&
             !m_phoneHelper->isValidPhoneNumber_advancedCheck(m_phoneNumberInputView->textField()->text(), phoneNumberCheckEnabled()))
        enabled = false;
    else if (m_emailInputView->checkBoxButton()->isSelected() && !KVNExtensions::isWellFilled(m_emailInputView->textField()->text()))
        enabled = false;
    m_button->setEnabled_animated(enabled, animated);
}

void KVNIdentCodeViewController::textFieldEditingChanged(const std::shared_ptr<UIControl>&) { updateButtonAnimated(true); }

void KVNIdentCodeViewController::phoneNumberInputViewTapped() { chooseRow(false); }

void KVNIdentCodeViewController::emailInputViewTapped() { chooseRow(true); }

void KVNIdentCodeViewController::chooseRow(bool email)
{
    const auto& chosen = email ? m_emailInputView : m_phoneNumberInputView;
    const auto& other = email ? m_phoneNumberInputView : m_emailInputView;
    chosen->checkBoxButton()->setSelected(true);
    other->checkBoxButton()->setSelected(false);
    other->textField()->resignFirstResponder();
    updateButtonAnimated(true);
}

void KVNIdentCodeViewController::requestButtonTapped(const std::shared_ptr<UIControl>&)
{
    KVN_ASSERT_MAIN_THREAD();
    m_identCodeTextField->resignFirstResponder();
    if (m_identCodeLayout != KVNIdentCodeLayoutRequestCode) {
        sendCode();
        return;
    }
    auto video = videoData();
    if (!video)
        return;

    bool viaEmail = false;
    const auto& phoneField = m_phoneNumberInputView->textField();
    if (m_phoneNumberInputView->checkBoxButton()->isSelected() &&
        m_phoneHelper->validatePhone_forVC_advancedCheck_dismissBlock(phoneField, self(), video->isPhoneNumberCheckEnabled(), nullptr)) {
        video->setMobile(KVNExtensions::wellFilledString(phoneField->text()));
    } else if (m_emailInputView->checkBoxButton()->isSelected() && KVNExtensions::isWellFilled(m_emailInputView->textField()->text())) {
        video->setEmail(KVNExtensions::wellFilledString(m_emailInputView->textField()->text()));
        viaEmail = true;
    } else {
        return;
    }
    requestCodeViaEmail(viaEmail);
    m_identCodeView->setEmailSelected(viaEmail);
}

void KVNIdentCodeViewController::requestCodeViaEmail(bool viaEmail)
{
    setContentEnabled(false);
    if (auto delegate = m_delegate.lock())
        delegate->identCodeViewController_wantsToRequestCodeViaEmail(self(), viaEmail);
}

void KVNIdentCodeViewController::sendCode()
{
    setContentEnabled(false);
    if (auto delegate = m_delegate.lock())
        delegate->identCodeViewController_wantsToSendCode(self(),
                                                          KVNExtensions::wellFilledString(m_identCodeTextField->text()).value_or(""));
}

void KVNIdentCodeViewController::setContentEnabled(bool enabled)
{
    m_button->setEnabled_animated(enabled, true);
    m_identCodeTextField->setEnabled(enabled);
    m_phoneNumberInputView->textField()->setEnabled(enabled);
    m_emailInputView->textField()->setEnabled(enabled);
}

void KVNIdentCodeViewController::requestingCodeWasSuccessfull()
{
    KVN_ASSERT_MAIN_THREAD();
    setContentEnabled(true);
    setIdentCodeLayout(KVNIdentCodeLayoutEnterCode);
}

void KVNIdentCodeViewController::sendingCodeWasSuccessfull()
{
    KVN_ASSERT_MAIN_THREAD();
    setContentEnabled(true);
}

void KVNIdentCodeViewController::requestingCodeFailed()
{
    KVN_ASSERT_MAIN_THREAD();
    setContentEnabled(true);
}

void KVNIdentCodeViewController::sendingCodeFailed()
{
    KVN_ASSERT_MAIN_THREAD();
    setContentEnabled(true);
}

void KVNIdentCodeViewController::identCodeViewDidTapRequestAgainButton(const std::shared_ptr<KVNIdentCodeView>&)
{
    KVN_ASSERT_MAIN_THREAD();
    if (m_identCodeTextField->isFirstResponder())
        m_keyboardAnimationDisabled = true;
    if (auto video = videoData())
        video->setIdentificationStatus(KVNIdentificationStatusRequestCode);
    m_identCodeTextField->resignFirstResponder();
    setIdentCodeLayout(KVNIdentCodeLayoutRequestCode);
}

void KVNIdentCodeViewController::hideKeyboard() { resignFirstResponder(); }

bool KVNIdentCodeViewController::resignFirstResponder()
{
    if (m_identCodeTextField)
        m_identCodeTextField->resignFirstResponder();
    if (m_phoneNumberInputView)
        m_phoneNumberInputView->textField()->resignFirstResponder();
    if (m_emailInputView)
        m_emailInputView->textField()->resignFirstResponder();
    return KVNKeyboardViewController::resignFirstResponder();
}

bool KVNIdentCodeViewController::textFieldShouldReturn(const std::shared_ptr<UITextField>& textField)
{
    textField->resignFirstResponder();
    return true;
}

void KVNIdentCodeViewController::textFieldDidBeginEditing(const std::shared_ptr<UITextField>& textField)
{
    if (auto delegate = m_delegate.lock()) {
        if (auto cancel = delegate->cancelButton())
            cancel->setHidden(true);
        if (auto chat = delegate->chatButton())
            chat->setAlpha(0);
    }
    if (textField == m_phoneNumberInputView->textField())
        chooseRow(false);
    else if (textField == m_emailInputView->textField())
        chooseRow(true);
}

bool KVNIdentCodeViewController::textFieldShouldEndEditing(const std::shared_ptr<UITextField>&)
{
    if (auto delegate = m_delegate.lock()) {
        if (auto cancel = delegate->cancelButton())
            cancel->setHidden(false);
        if (auto chat = delegate->chatButton())
            chat->setAlpha(1.0);
    }
    return true;
}

void KVNIdentCodeViewController::keyboardWillShowWithHeight_duration_animationOptions(CGFloat height, double duration,
                                                                                      UIViewAnimationOptions options)
{
    m_bottomLayoutConstraint->setOffset(-(height + 10));
    auto root = view();
    UIView::animateWithDuration_delay_options_animations_completion(
        duration, 0, options, [root] { root->layoutIfNeeded(); }, nullptr);
    m_keyboardIsVisible = true;
}

void KVNIdentCodeViewController::keyboardWillHideWithDuration_animationOptions(double duration, UIViewAnimationOptions options)
{
    m_bottomLayoutConstraint->setOffset(-20);
    if (!m_keyboardAnimationDisabled) {
        auto root = view();
        UIView::animateWithDuration_delay_options_animations_completion(
            duration, 0, options, [root] { root->layoutIfNeeded(); }, nullptr);
    }
    m_keyboardIsVisible = false;
    m_keyboardAnimationDisabled = false;
}

void KVNIdentCodeViewController::applicationWillResignActive()
{
    m_tempIdentCode = m_identCodeTextField->text();
    m_tempPhoneNumber = m_phoneNumberInputView->textField()->text();
    m_tempEmailAddress = m_emailInputView->textField()->text();
    m_identCodeTextField->setText(std::nullopt);
    m_phoneNumberInputView->textField()->setText(std::nullopt);
    m_emailInputView->textField()->setText(std::nullopt);
    m_holdsTextsWhileInactive = true;
}

void KVNIdentCodeViewController::applicationDidBecomeActive()
{
    // Active again without having been inactive since this screen was made (it came while the
    // user was in another app): nothing was saved, and the pre-filled number must stay.
    if (!m_holdsTextsWhileInactive)
        return;
    m_holdsTextsWhileInactive = false;
    m_identCodeTextField->setText(m_tempIdentCode);
    m_phoneNumberInputView->textField()->setText(m_tempPhoneNumber);
    m_emailInputView->textField()->setText(m_tempEmailAddress);
    m_tempIdentCode.reset();
    m_tempPhoneNumber.reset();
    m_tempEmailAddress.reset();
}
