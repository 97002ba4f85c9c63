#pragma once
// The photo list of a photo identification: the chosen document's slots in a child table, a
// start-over item once a photo exists, and a transfer panel once every slot has its photo.
// Main thread only.
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIViewController.h"
#include "photo-ident/KVNTodoTableViewControllerDelegate.h"

class KVNBlurredView;
class KVNLabel;
class UIBarButtonItem;

class KVNTodoViewController : public UIViewController, public KVNTodoTableViewControllerDelegate {
public:
    void viewDidLoad() override;
    void viewWillLayoutSubviews() override;

    const std::shared_ptr<KVNTodoTableViewController>& tableViewController() const { return m_tableViewController; }
    const std::shared_ptr<KVNBlurredView>& transferView() const { return m_transferView; }
    const std::shared_ptr<UIBarButtonItem>& restartButtonItem() const { return m_restartButtonItem; }

    void todoTableViewControllerDidChangeTakenPhotosCount(const std::shared_ptr<KVNTodoTableViewController>& controller) override;
    void transferButtonPressed();
    void restartIdent();

    // True for a document without slots.
    bool isReadyForTransfer() const;
    bool hasAtLeastOnePhoto() const;
    void updateUIBasedOnExistingPhotos();
    CGFloat expectedHeightForTransferView();

private:
    void adaptTableViewInsetsWithTransferViewVisible(bool visible);

    std::shared_ptr<KVNTodoTableViewController> m_tableViewController;
    std::shared_ptr<KVNBlurredView> m_transferView;
    std::shared_ptr<KVNLabel> m_transferLabel;
    std::shared_ptr<UIBarButtonItem> m_restartButtonItem;
};
