#pragma once
// The photo slots of the chosen document, one row each in the service's order, marked once
// photographed. A tap asks for the camera and opens the camera screen for that slot.
// Main thread only.
#include <memory>
#include <vector>

#include "UIKit/UITableViewController.h"
#include "photo-ident/KVNPhotoViewControllerDelegate.h"

class KVNMediumLabel;
class KVNTodoTableViewControllerDelegate;

class KVNTodoTableViewController : public UITableViewController, public KVNPhotoViewControllerDelegate {
public:
    static constexpr const char* kCellIdentifier = "TODOCell";

    void viewDidLoad() override;

    std::shared_ptr<KVNTodoTableViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<KVNTodoTableViewControllerDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::vector<std::shared_ptr<KVNPhoto>>& photos() const { return m_photos; }

    long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>& tableView, long section) override;
    std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                     const NSIndexPath& indexPath) override;
    std::optional<CGFloat> tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                             const NSIndexPath& indexPath) override;
    void tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath) override;

    void photoViewController_didCreateImageForPhoto(const std::shared_ptr<KVNPhotoViewController>& controller,
                                                    const std::shared_ptr<KVNPhoto>& photo) override;
    void photoViewController_didDeleteImageForPhoto(const std::shared_ptr<KVNPhotoViewController>& controller,
                                                    const std::shared_ptr<KVNPhoto>& photo) override;

private:
    void setupTableHeaderView();
    void photoChanged(const std::shared_ptr<KVNPhoto>& photo);
    void openCameraForRow(long row);
    void showPermissionAlertForRow(const NSIndexPath& indexPath);

    std::weak_ptr<KVNTodoTableViewControllerDelegate> m_delegate;
    std::vector<std::shared_ptr<KVNPhoto>> m_photos;
    std::shared_ptr<KVNMediumLabel> m_headerLabel;
    std::shared_ptr<UIView> m_tableHeaderView;
};
