#pragma once
// The data check screen before a video identification: the user checks the mobile number and
// e-mail address and ticks the conditions; only when every row is ticked does the button
// start the identification (storing the number and address in the video session data and
// presenting the video screen). In consent mode the rows are the approval phrases of the
// contracts and the button reports to the consent screen instead.
// Rows are made once at view load and never reused. Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Private/Helper/KVNPhoneHelper.h"
#include "Private/Tasks/VideoIdent/Identification/KVNCheckScreenReceiver.h"
#include "UIKit/UITableViewController.h"
#include "UIKit/UITextField.h"
#include "models/KVNCheckCellContent.h"

class KVNCheckCell;
class KVNLabel;
class KVNRoundedButton;
class KVNTextInputCell;
class NSNotificationObserver;
class UIBarButtonItem;

enum KVNCheckCellType : long {
    KVNCheckCellTypeMobile = 0,
    KVNCheckCellTypeEmail = 1,
    KVNCheckCellTypeLicense = 2,
    KVNCheckCellTypeTerms = 3,
    KVNCheckCellTypeAgreement = 4,
};

class KVNCheckTableViewController : public UITableViewController, public UITextFieldDelegate {
public:
    ~KVNCheckTableViewController() override;

    // Consent mode with YES.
    void init(bool usedByConsentProtocol);
    using UITableViewController::init;

    bool usedByConsentProtocol() const { return m_usedByConsentProtocol; }
    // Before the view loads.
    void provideContentForHeader_approvalPhrases(const std::optional<std::string>& headerText,
                                                 const std::optional<std::vector<KVNCheckCellContent>>& approvalPhrases);
    const std::optional<std::string>& headerText() const { return m_headerText; }
    const std::optional<std::vector<KVNCheckCellContent>>& approvalPhrases() const { return m_approvalPhrases; }
    std::shared_ptr<kvn::CheckScreenReceiver> consentProtcolUI() const { return m_consentProtcolUI.lock(); }
    void setConsentProtcolUI(std::weak_ptr<kvn::CheckScreenReceiver> receiver) { m_consentProtcolUI = std::move(receiver); }

    const std::vector<std::shared_ptr<KVNCheckCell>>& preparedCells() const { return m_preparedCells; }
    const std::shared_ptr<KVNRoundedButton>& identifyButton() const { return m_identifyButton; }
    const std::shared_ptr<UIView>& headerView() const { return m_headerView; }
    const std::shared_ptr<KVNLabel>& headerLabel() const { return m_headerLabel; }
    const std::shared_ptr<KVNLabel>& identTokenLabel() const { return m_identTokenLabel; }
    const std::shared_ptr<UIBarButtonItem>& cancelButton() const { return m_cancelButton; }
    const std::optional<std::string>& tempText() const { return m_tempText; }
    bool prefersStatusBarHidden() const override { return m_usedByConsentProtocol; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
    std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                     const NSIndexPath& indexPath) override;
    std::optional<CGFloat> tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                             const NSIndexPath& indexPath) override;
    void tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) override;

    void textFieldDidEndEditing(const std::shared_ptr<UITextField>& textField) override;
    bool textFieldShouldReturn(const std::shared_ptr<UITextField>& textField) override;

    // Actions.
    void identifyButtonPressed();
    void cancel();
    // Pushes the documents info screen; nothing on this screen sends it.
    void helpButtonPressed();
    void showTermsOfUse();
    void showPrivacyPolicy();

private:
    void setupCells();
    void setupTableHeaderView();
    void setupTableFooterView();
    void updateAgreementCellAppearance();
    void mobileEditingChanged();
    void emailEditingChanged();
    bool mobileNumberPasses(const std::optional<std::string>& text);
    bool validatePhone();
    void validate();
    void hideKeyboard();
    void applicationWillResignActive();
    void applicationDidBecomeActive();
    void messagesUpdated();
    std::shared_ptr<KVNTextInputCell> cellOfType(long type) const;
    bool phoneNumberCheckEnabled() const;

    bool m_usedByConsentProtocol = false;
    std::weak_ptr<kvn::CheckScreenReceiver> m_consentProtcolUI;
    std::optional<std::string> m_headerText;
    std::optional<std::vector<KVNCheckCellContent>> m_approvalPhrases;
    std::vector<std::shared_ptr<KVNCheckCell>> m_preparedCells;
    std::shared_ptr<KVNCheckCell> m_termsCell;
    std::shared_ptr<KVNRoundedButton> m_identifyButton;
    std::shared_ptr<UIView> m_headerView;
    std::shared_ptr<KVNLabel> m_headerLabel;
    std::shared_ptr<KVNLabel> m_identTokenLabel;
    std::shared_ptr<UIBarButtonItem> m_cancelButton;
    std::optional<std::string> m_tempText;
    KVNPhoneHelper m_phoneHelper;
    std::vector<std::shared_ptr<NSNotificationObserver>> m_observers;
};
