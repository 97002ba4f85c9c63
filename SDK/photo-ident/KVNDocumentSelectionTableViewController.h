#pragma once
// The documents the chosen country allows, one row each in the service's order, under a header
// with the country's flag. A tap stores the document in the photo session and tells the
// delegate. Main thread only.
#include <memory>

#include "UIKit/UITableViewController.h"

class KVNCountry;
class KVNDocumentSelectionTableViewControllerDelegate;
class KVNLabel;
class KVNMediumLabel;
class UIImageView;

class KVNDocumentSelectionTableViewController : public UITableViewController {
public:
    static constexpr const char* kCellIdentifier = "DocumentSelectionCell";

    void viewDidLoad() override;

    std::shared_ptr<KVNDocumentSelectionTableViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<KVNDocumentSelectionTableViewControllerDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<KVNCountry>& selectedCountry() const { return m_selectedCountry; }
    const std::shared_ptr<UIView>& tableHeaderView() const { return m_tableHeaderView; }

    long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
    std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                     const NSIndexPath& indexPath) override;
    std::optional<CGFloat> tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                             const NSIndexPath& indexPath) override;
    void tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) override;

private:
    void setupTableHeaderView();

    std::weak_ptr<KVNDocumentSelectionTableViewControllerDelegate> m_delegate;
    std::shared_ptr<KVNCountry> m_selectedCountry;
    std::shared_ptr<UIImageView> m_countryFlagImage;
    std::shared_ptr<KVNMediumLabel> m_documentHeaderLabel;
    std::shared_ptr<KVNLabel> m_chooseDokumentsLabel;
    std::shared_ptr<UIView> m_tableHeaderView;
};
