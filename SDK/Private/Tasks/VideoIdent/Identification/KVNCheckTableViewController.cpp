#include "Private/Tasks/VideoIdent/Identification/KVNCheckTableViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotificationCenter.h"
#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Extensions/UIApplication+KVNExtensions.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Extensions/UIViewController+KVNExtensions.h"
#include "Private/Helper/KVNHelper.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNDocumentsInfoViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNTextField.h"
#include "Private/UIElements/KVNTextInputCell.h"
#include "Private/UIElements/KVNUnderlineButton.h"
#include "Private/UIElements/TextHeight.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationBar.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UINavigationItem.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "models/KVNIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "public/KavoniAppearance.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"

namespace {

constexpr CGFloat kHeaderSideInset = 25;
constexpr CGFloat kHeaderTopInset = 20;
constexpr CGFloat kHeaderBottomInset = 7;
constexpr CGFloat kFooterHeight = 72;
constexpr CGFloat kFooterSideInset = 20;
constexpr CGFloat kButtonHeight = 50;

std::shared_ptr<KVNIdentification> identification() { return KVNIdentification::sharedIdentification(); }

std::shared_ptr<KVNVideoIdentification> videoData() { return identification()->videoIdentification(); }

std::string localized(const std::string& key) { return KVNLocalizer::localizedStringForKey(key); }

std::string serviceText(const std::string& key, const std::string& fallbackKey)
{
    return identification()->getMessageFor_withDefaultKey(key, fallbackKey);
}

std::string textOf(const std::shared_ptr<UILabel>& label) { return label ? label->text().value_or(std::string()) : std::string(); }

std::string titleOf(const std::shared_ptr<UIButton>& button)
{
    return button ? button->titleForState(UIControlStateNormal).value_or(std::string()) : std::string();
}

std::shared_ptr<KavoniSettings> currentSettings()
{
    if (auto settings = identification()->settings())
        return settings;
    if (auto controller = KavoniController::currentKavoniController())
        return controller->settings();
    return nullptr;
}

} // namespace

KVNCheckTableViewController::~KVNCheckTableViewController()
{
    auto center = NSNotificationCenter::defaultCenter();
    for (const auto& observer : m_observers)
        center->removeObserver(observer);
}

void KVNCheckTableViewController::init(bool usedByConsentProtocol)
{
    m_usedByConsentProtocol = usedByConsentProtocol;
    initWithStyle(UITableViewStyle::Plain);
}

void KVNCheckTableViewController::provideContentForHeader_approvalPhrases(
    const std::optional<std::string>& headerText, const std::optional<std::vector<KVNCheckCellContent>>& approvalPhrases)
{
    m_headerText = headerText;
    m_approvalPhrases = approvalPhrases;
}

bool KVNCheckTableViewController::phoneNumberCheckEnabled() const
{
    auto data = videoData();
    return data && data->isPhoneNumberCheckEnabled();
}

void KVNCheckTableViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UITableViewController::viewDidLoad();
    KVNExtensions::setKavoniTitle(navigationItem(), localized("NAVIGATION_ITEM_TITLE_VIDEO_IDENT_CHECK"));

    auto table = tableView();
    table->setSeparatorInset(UIEdgeInsetsMake(0, 60, 0, 0));
    if (m_usedByConsentProtocol)
        table->setContentInset(UIEdgeInsetsMake(30, 0, 0, 0));

    setupCells();
    setupTableHeaderView();
    setupTableFooterView();

    auto weak = std::weak_ptr<KVNCheckTableViewController>(std::static_pointer_cast<KVNCheckTableViewController>(shared_from_this()));
    auto center = NSNotificationCenter::defaultCenter();
    m_observers.push_back(center->addObserverForName_object_queue_usingBlock(
        UIApplicationWillResignActiveNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNCheckTableViewController& self, const NSNotification&) { self.applicationWillResignActive(); })));
    m_observers.push_back(center->addObserverForName_object_queue_usingBlock(
        UIApplicationDidBecomeActiveNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNCheckTableViewController& self, const NSNotification&) { self.applicationDidBecomeActive(); })));
    m_observers.push_back(center->addObserverForName_object_queue_usingBlock(
        KVNMessagesUpdatedNotification, nullptr, nullptr,
        kvn::bindToMainQueue(weak, [](KVNCheckTableViewController& self, const NSNotification&) { self.messagesUpdated(); })));

    auto navigation = navigationController();
    if (navigation && !navigation->viewControllers().empty() && navigation->viewControllers().front().get() == this) {
        m_cancelButton = std::make_shared<UIBarButtonItem>();
        m_cancelButton->initWithTitle_style_target_action(
            localized("CANCEL"), UIBarButtonItemStyle::Plain, nullptr,
            kvn::bindToMainQueue(weak, [](KVNCheckTableViewController& self, const std::shared_ptr<UIBarButtonItem>&) { self.cancel(); }));
        navigationItem()->setRightBarButtonItem(m_cancelButton);
    }
    validate();
}

void KVNCheckTableViewController::setupCells()
{
    auto weak = std::weak_ptr<KVNCheckTableViewController>(std::static_pointer_cast<KVNCheckTableViewController>(shared_from_this()));
    auto delegate =
        std::static_pointer_cast<UITextFieldDelegate>(std::static_pointer_cast<KVNCheckTableViewController>(shared_from_this()));
    m_preparedCells.clear();
    m_termsCell = nullptr;

    auto makeCheckCell = [](long type) {
        auto cell = std::make_shared<KVNCheckCell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, std::nullopt);
        cell->setType(type);
        return cell;
    };

    if (m_usedByConsentProtocol && m_approvalPhrases) {
        for (const auto& phrase : *m_approvalPhrases) {
            auto cell = makeCheckCell(KVNCheckCellTypeAgreement);
            cell->titleLabel()->setText(std::string());
            cell->contentLabel()->setText(phrase.text());
            if (phrase.link()) {
                cell->prepareForShowingLinks();
                cell->firstLinkButton()->setTitle_forState(phrase.linkLabel(), UIControlStateNormal);
                cell->firstLinkButton()->configureHttpLink(*phrase.link());
            }
            m_preparedCells.push_back(cell);
        }
        return;
    }

    auto data = videoData();
    auto makeInputCell = [&](long type, const std::string& prefix, UIKeyboardType keyboard,
                             void (KVNCheckTableViewController::*changed)()) {
        auto cell = std::make_shared<KVNTextInputCell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, std::nullopt);
        cell->setType(type);
        cell->titleLabel()->setText(localized(prefix + "_TITLE"));
        cell->contentLabel()->setText(localized(prefix + "_DESCRIPTION"));
        auto field = cell->textField();
        field->setPlaceholder(localized(prefix + "_PLACEHOLDER"));
        field->setKeyboardType(keyboard);
        field->setDelegate(delegate);
        field->addTarget_action_forControlEvents(
            nullptr,
            kvn::bindToMainQueue(weak,
                                 [changed](KVNCheckTableViewController& self, const std::shared_ptr<UIControl>&) { (self.*changed)(); }),
            UIControlEventEditingChanged);
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        cell->checkBoxButton()->setUserInteractionEnabled(false);
        m_preparedCells.push_back(cell);
        return cell;
    };

    if (data && data->identCodeRequired())
        makeInputCell(KVNCheckCellTypeMobile, "CHECK_MOBILE_NUMBER", UIKeyboardTypePhonePad,
                      &KVNCheckTableViewController::mobileEditingChanged);
    if (data && data->identCodeEmailEnabled()) {
        auto cell = makeInputCell(KVNCheckCellTypeEmail, "CHECK_EMAIL", UIKeyboardTypeEmailAddress,
                                  &KVNCheckTableViewController::emailEditingChanged);
        cell->textField()->setAutocapitalizationType(UITextAutocapitalizationTypeNone);
    }

    auto license = makeCheckCell(KVNCheckCellTypeLicense);
    license->titleLabel()->setText(localized("CHECK_LICENSE_TITLE"));
    license->contentLabel()->setText(localized("CHECK_LICENSE_DESCRIPTION"));
    m_preparedCells.push_back(license);

    if (identification()->showGTC()) {
        m_termsCell = makeCheckCell(KVNCheckCellTypeTerms);
        m_termsCell->prepareForShowingLinks();
        m_termsCell->firstLinkButton()->addTarget_action_forControlEvents(
            nullptr,
            kvn::bindToMainQueue(weak, [](KVNCheckTableViewController& self, const std::shared_ptr<UIControl>&) { self.showTermsOfUse(); }),
            UIControlEventTouchUpInside);
        m_termsCell->secondLinkButton()->addTarget_action_forControlEvents(
            nullptr,
            kvn::bindToMainQueue(weak,
                                 [](KVNCheckTableViewController& self, const std::shared_ptr<UIControl>&) { self.showPrivacyPolicy(); }),
            UIControlEventTouchUpInside);
        updateAgreementCellAppearance();
        m_preparedCells.push_back(m_termsCell);
    }

    if (identification()->showRecordingAgreement()) {
        auto recording = makeCheckCell(KVNCheckCellTypeAgreement);
        recording->titleLabel()->setText(localized("CHECK_AGREEMENT_TITLE"));
        recording->contentLabel()->setText(localized("CHECK_AGREEMENT_TBD_DESCRIPTION"));
        m_preparedCells.push_back(recording);
    }

    if (KavoniAppearance::sharedAppearance()->markMandatoryCells())
        for (const auto& cell : m_preparedCells)
            cell->markLabel();
}

void KVNCheckTableViewController::setupTableHeaderView()
{
    auto weak = std::weak_ptr<KVNCheckTableViewController>(std::static_pointer_cast<KVNCheckTableViewController>(shared_from_this()));
    const CGRect frame = view()->frame();
    const CGFloat width = frame.size.width;
    m_headerView = std::make_shared<UIView>();
    m_headerView->initWithFrame(frame);

    auto makeLabel = [&](const std::string& text, CGFloat top) {
        auto label = std::make_shared<KVNLabel>();
        label->initWithFrame(CGRectZero);
        label->setFont(KVNExtensions::regularFontOfSize(15));
        label->setNumberOfLines(0);
        label->setText(text);
        const CGFloat textWidth = width - 2 * kHeaderSideInset;
        label->setFrame(CGRectMake(kHeaderSideInset, top, textWidth, kvn::textHeight(text, label->font(), textWidth)));
        m_headerView->addSubview(label);
        return label;
    };

    CGFloat top = kHeaderTopInset;
    auto settings = currentSettings();
    const bool showToken = settings && settings->showIdentTokenOnCheckScreen();
    if (showToken) {
        m_identTokenLabel = makeLabel(localized("CHECK_SCREEN_TOKEN_TEXT") + settings->transactionToken().value_or(std::string()), top);
        top = CGRectGetMaxY(m_identTokenLabel->frame()) + kHeaderTopInset;
    }
    const std::string headerText = m_usedByConsentProtocol ? m_headerText.value_or(std::string()) : localized("CHECK_TITLE");
    m_headerLabel = makeLabel(headerText, top);

    // Down to the header label's end and a little below: a fixed allowance for the token line
    // left out the line's own height, and its text ran into the first row.
    CGRect headerFrame = m_headerView->frame();
    headerFrame.size.height = CGRectGetMaxY(m_headerLabel->frame()) + kHeaderBottomInset;
    m_headerView->setFrame(headerFrame);

    auto tap = std::make_shared<UITapGestureRecognizer>();
    tap->initWithTarget_action(
        nullptr, kvn::bindToMainQueue(weak, [](KVNCheckTableViewController& self, const std::shared_ptr<UIGestureRecognizer>&) {
            self.hideKeyboard();
        }));
    m_headerView->addGestureRecognizer(tap);
    tableView()->setTableHeaderView(m_headerView);
}

void KVNCheckTableViewController::setupTableFooterView()
{
    auto weak = std::weak_ptr<KVNCheckTableViewController>(std::static_pointer_cast<KVNCheckTableViewController>(shared_from_this()));
    auto footer = std::make_shared<UIView>();
    footer->initWithFrame(CGRectMake(0, 0, 320, kFooterHeight));
    m_identifyButton = std::make_shared<KVNRoundedButton>();
    m_identifyButton->initWithFrame(
        CGRectMake(kFooterSideInset, (kFooterHeight - kButtonHeight) / 2, 320 - 2 * kFooterSideInset, kButtonHeight));
    m_identifyButton->setTitle_forState(localized(m_usedByConsentProtocol ? "CONTINUE" : "CHECK_START_IDENTIFICATION_BUTTON_TITLE"),
                                        UIControlStateNormal);
    m_identifyButton->addTarget_action_forControlEvents(
        nullptr,
        kvn::bindToMainQueue(weak,
                             [](KVNCheckTableViewController& self, const std::shared_ptr<UIControl>&) { self.identifyButtonPressed(); }),
        UIControlEventTouchUpInside);
    footer->addSubview(m_identifyButton);
    // The list stretches its footer to its own width; the button follows.
    Layout::ConstraintMaker::make(m_identifyButton, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(footer).offset(kFooterSideInset);
        make.right().equalTo(footer).offset(-kFooterSideInset);
        make.centerY().equalTo(footer);
        make.height().equalTo(kButtonHeight);
    });
    tableView()->setTableFooterView(footer);
}

void KVNCheckTableViewController::updateAgreementCellAppearance()
{
    if (!m_termsCell)
        return;
    m_termsCell->titleLabel()->setText(localized("CHECK_AGREEMENT_TITLE"));
    m_termsCell->contentLabel()->setText(serviceText("js.mobile.checkscreen.termsText", "CHECK_AGREEMENT_GTC_DESCRIPTION"));
    m_termsCell->firstLinkButton()->setTitle_forState(
        serviceText("js.link.terms.label.mobile", "CHECK_AGREEMENT_GTC_TERMS_OF_USE_BUTTON_TITLE"), UIControlStateNormal);
    m_termsCell->secondLinkButton()->setTitle_forState(
        serviceText("js.link.privacy.label.mobile", "CHECK_AGREEMENT_GTC_PRIVACY_POLICY_BUTTON_TITLE"), UIControlStateNormal);
}

void KVNCheckTableViewController::messagesUpdated()
{
    if (!m_termsCell)
        return;
    updateAgreementCellAppearance();
    // The title was set afresh: it needs its mark again.
    if (KavoniAppearance::sharedAppearance()->markMandatoryCells())
        m_termsCell->markLabel();
    // Longer service texts would be cut at the height measured for the old ones.
    if (isViewLoaded())
        tableView()->reloadData();
}

long KVNCheckTableViewController::tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>&, long)
{
    return static_cast<long>(m_preparedCells.size());
}

std::shared_ptr<UITableViewCell> KVNCheckTableViewController::tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>&,
                                                                                              const NSIndexPath& indexPath)
{
    const auto row = static_cast<size_t>(indexPath.row());
    return row < m_preparedCells.size() ? m_preparedCells[row] : nullptr;
}

std::optional<CGFloat> KVNCheckTableViewController::tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                                      const NSIndexPath& indexPath)
{
    const auto row = static_cast<size_t>(indexPath.row());
    if (row >= m_preparedCells.size())
        return std::nullopt;
    const auto& cell = m_preparedCells[row];
    const CGFloat width = tableView->bounds().size.width;
    const std::string title = textOf(cell->titleLabel());
    const std::string content = textOf(cell->contentLabel());
    switch (cell->type()) {
    case KVNCheckCellTypeMobile:
    case KVNCheckCellTypeEmail:
        return KVNTextInputCell::expectedHeightWithTitle_content_cellWidth(title, content, width);
    default:
        // An approval row with a link is as tall as the link makes it, like the terms row.
        if (cell->firstLinkButton())
            return KVNCheckCell::expectedHeightWithTitle_content_firstLink_secondLink_cellWidth(
                title, content, titleOf(cell->firstLinkButton()), titleOf(cell->secondLinkButton()), width);
        return KVNCheckCell::expectedHeightWithTitle_content_cellWidth(title, content, width);
    }
}

std::shared_ptr<KVNTextInputCell> KVNCheckTableViewController::cellOfType(long type) const
{
    for (const auto& cell : m_preparedCells)
        if (cell->type() == type)
            if (auto input = std::dynamic_pointer_cast<KVNTextInputCell>(cell))
                return input;
    return nullptr;
}

void KVNCheckTableViewController::tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                    const NSIndexPath& indexPath)
{
    const auto row = static_cast<size_t>(indexPath.row());
    if (row < m_preparedCells.size()) {
        const auto& cell = m_preparedCells[row];
        auto input = std::dynamic_pointer_cast<KVNTextInputCell>(cell);
        if (input && (cell->type() == KVNCheckCellTypeMobile || cell->type() == KVNCheckCellTypeEmail)) {
            if (input->textField()->isEditing())
                hideKeyboard();
            else
                input->textField()->becomeFirstResponder();
        } else {
            hideKeyboard();
            cell->checkBoxButton()->setSelected(!cell->checkBoxButton()->isSelected());
            validate();
        }
    }
    tableView->deselectRowAtIndexPath_animated(indexPath, true);
}

bool KVNCheckTableViewController::mobileNumberPasses(const std::optional<std::string>& text)
{
    // Without the number check a field of blanks (or the "null" a JSON null becomes) is no
    // number either.
    if (!phoneNumberCheckEnabled())
        return KVNExtensions::isWellFilled(text);
    return m_phoneHelper.isValidPhoneNumber_advancedCheck(text, true);
}

void KVNCheckTableViewController::mobileEditingChanged()
{
    if (auto cell = cellOfType(KVNCheckCellTypeMobile)) {
        cell->checkBoxButton()->setSelected(mobileNumberPasses(cell->textField()->text()));
        validate();
    }
}

void KVNCheckTableViewController::emailEditingChanged()
{
    if (auto cell = cellOfType(KVNCheckCellTypeEmail)) {
        cell->checkBoxButton()->setSelected(KVNExtensions::isWellFilled(cell->textField()->text()));
        validate();
    }
}

void KVNCheckTableViewController::validate()
{
    if (!m_identifyButton)
        return;
    bool allTicked = true;
    for (const auto& cell : m_preparedCells) {
        if (!cell->checkBoxButton()->isSelected()) {
            allTicked = false;
            break;
        }
    }
    m_identifyButton->setEnabled_animated(allTicked, true);
}

bool KVNCheckTableViewController::validatePhone()
{
    auto cell = cellOfType(KVNCheckCellTypeMobile);
    if (!cell)
        return true;
    if (!phoneNumberCheckEnabled())
        return KVNExtensions::isWellFilled(cell->textField()->text());
    return m_phoneHelper.validatePhone_forVC_advancedCheck_dismissBlock(cell->textField(), shared_from_this(), true, nullptr);
}

void KVNCheckTableViewController::textFieldDidEndEditing(const std::shared_ptr<UITextField>& textField)
{
    // The number is checked when its own field ends, not when the user leaves the e-mail
    // field: that would raise the number's alert again, or rewrite it, while they type the
    // address.
    auto data = videoData();
    auto mobileCell = cellOfType(KVNCheckCellTypeMobile);
    if (data && data->identCodeRequired() && mobileCell && textField == mobileCell->textField())
        validatePhone();
    else if (textField)
        textField->setText(KVNExtensions::wellFilledString(textField->text()));
    validate();
}

bool KVNCheckTableViewController::textFieldShouldReturn(const std::shared_ptr<UITextField>& textField)
{
    if (textField)
        textField->resignFirstResponder();
    return true;
}

void KVNCheckTableViewController::hideKeyboard()
{
    for (long type : {KVNCheckCellTypeMobile, KVNCheckCellTypeEmail})
        if (auto cell = cellOfType(type); cell && cell->textField()->isEditing())
            cell->textField()->resignFirstResponder();
}

void KVNCheckTableViewController::identifyButtonPressed()
{
    KVN_ASSERT_MAIN_THREAD();
    auto mobileCell = cellOfType(KVNCheckCellTypeMobile);
    if (mobileCell && !validatePhone())
        return;
    auto data = videoData();
    if (data) {
        // The consent flow chooses the code's channel by the stored number: it must survive
        // a check screen that has no mobile row.
        if (mobileCell)
            data->setMobile(KVNExtensions::wellFilledString(mobileCell->textField()->text()));
        else if (!m_usedByConsentProtocol)
            data->setMobile(std::nullopt);
        if (auto emailCell = cellOfType(KVNCheckCellTypeEmail))
            data->setEmail(KVNExtensions::wellFilledString(emailCell->textField()->text()));
    }

    if (m_usedByConsentProtocol) {
        if (auto receiver = m_consentProtcolUI.lock())
            receiver->checkScreenDone();
        return;
    }

    auto ident = std::make_shared<KVNIdentificationViewController>();
    ident->init();
    auto navigation = std::make_shared<UINavigationController>();
    navigation->initWithRootViewController(ident);
    auto settings = currentSettings();
    if (settings && settings->modalPresentationStyle() != UIModalPresentationStyle::FullScreen)
        navigation->setModalPresentationStyle(settings->modalPresentationStyle());
    if (KVNExtensions::viewControllerBasedStatusBarAppearanceEnabled() &&
        KavoniAppearance::sharedAppearance()->enableStatusBarStyleLightContent())
        navigation->navigationBar()->setBarStyle(UIBarStyle::Black);
    presentViewController_animated_completion(navigation, true, nullptr);
}

void KVNCheckTableViewController::viewWillAppear(bool animated)
{
    UITableViewController::viewWillAppear(animated);
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden_animated(false, animated);
    KVNExtensions::adjustStatusBarStyleAnimated(shared_from_this(), animated);
    auto data = videoData();
    if (!data)
        return;
    if (auto cell = cellOfType(KVNCheckCellTypeMobile)) {
        cell->textField()->setText(data->mobile());
        mobileEditingChanged();
    }
    if (auto cell = cellOfType(KVNCheckCellTypeEmail)) {
        cell->textField()->setText(data->email());
        emailEditingChanged();
    }
}

void KVNCheckTableViewController::viewWillDisappear(bool animated)
{
    UITableViewController::viewWillDisappear(animated);
    auto navigation = navigationController();
    bool onStack = false;
    if (navigation)
        for (const auto& screen : navigation->viewControllers())
            onStack = onStack || screen.get() == this;
    if (onStack || m_usedByConsentProtocol)
        return;
    auto controller = KavoniController::currentKavoniController();
    if (controller && !controller->shouldBlockUserCancellation())
        controller->identificationCanceledByUser();
}

void KVNCheckTableViewController::cancel()
{
    if (auto presenting = presentingViewController())
        presenting->dismissViewControllerAnimated_completion(true, nullptr);
    if (auto controller = KavoniController::currentKavoniController())
        controller->identificationCanceledByUser();
}

void KVNCheckTableViewController::helpButtonPressed()
{
    auto info = std::make_shared<KVNDocumentsInfoViewController>();
    info->init();
    if (auto navigation = navigationController())
        navigation->pushViewController_animated(info, true);
}

void KVNCheckTableViewController::showTermsOfUse()
{
    KVNHelper::openUrlCompat(serviceText("js.link.terms.mobile", "CHECK_AGREEMENT_GTC_TERMS_OF_USE_LINK"));
}

void KVNCheckTableViewController::showPrivacyPolicy()
{
    KVNHelper::openUrlCompat(serviceText("js.link.privacy.mobile", "CHECK_AGREEMENT_GTC_PRIVACY_POLICY_LINK"));
}

void KVNCheckTableViewController::applicationWillResignActive()
{
    if (auto cell = cellOfType(KVNCheckCellTypeMobile)) {
        m_tempText = cell->textField()->text();
        cell->textField()->setText(std::string());
    }
}

void KVNCheckTableViewController::applicationDidBecomeActive()
{
    if (auto cell = cellOfType(KVNCheckCellTypeMobile)) {
        // Only after a resign: a start that begins active has nothing held back.
        if (m_tempText)
            cell->textField()->setText(m_tempText);
        m_tempText.reset();
    }
}
