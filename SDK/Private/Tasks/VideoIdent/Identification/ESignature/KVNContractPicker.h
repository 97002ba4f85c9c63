#pragma once
// The collapsible list at the top of the contract viewer: the contract being read in the top
// row, and when opened, one row for each other contract. Choosing one closes the list and
// tells the delegate. Without any contract the list is empty. Main thread only.
#include <memory>
#include <vector>

#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPickerDelegate.h"
#include "UIKit/UITableViewController.h"

class KVNContract;
namespace Layout {
class MadeConstraint;
}

class KVNContractPicker : public UITableViewController {
public:
    void initWithContracts(std::vector<std::shared_ptr<KVNContract>> contracts);

    const std::vector<std::shared_ptr<KVNContract>>& contracts() const { return m_contracts; }
    const std::shared_ptr<KVNContract>& selectedContract() const { return m_selectedContract; }
    void setSelectedContract(const std::shared_ptr<KVNContract>& contract);
    const std::vector<std::shared_ptr<KVNContract>>& notSelectedContracts() const { return m_notSelectedContracts; }

    bool collapsed() const { return m_collapsed; }
    void setCollapsed_animated(bool collapsed, bool animated);
    double expectedHeight() const;

    const std::shared_ptr<Layout::MadeConstraint>& heightConstraint() const { return m_heightConstraint; }
    std::shared_ptr<KVNContractPickerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNContractPickerDelegate>& delegate) { m_delegate = delegate; }

    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;

    long numberOfSectionsInTableView(const std::shared_ptr<UITableView>& tableView) override;
    long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
    std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                     const NSIndexPath& indexPath) override;
    std::optional<CGFloat> tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                             const NSIndexPath& indexPath) override;
    void tableView_willDisplayCell_forRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                     const std::shared_ptr<UITableViewCell>& cell, const NSIndexPath& indexPath) override;
    void tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) override;

private:
    std::vector<std::shared_ptr<KVNContract>> m_contracts;
    std::shared_ptr<KVNContract> m_selectedContract;
    std::vector<std::shared_ptr<KVNContract>> m_notSelectedContracts;
    bool m_collapsed = true;
    std::shared_ptr<Layout::MadeConstraint> m_heightConstraint;
    std::weak_ptr<KVNContractPickerDelegate> m_delegate;
    std::shared_ptr<UIView> m_backgroundView;
};
