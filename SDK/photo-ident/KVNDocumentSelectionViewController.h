#pragma once
// The second screen of a photo identification: the documents of the chosen country in a child
// table. Choosing one starts the photo identification on the service, under a loading overlay,
// and goes on to the photo list once the service agreed. Main thread only.
#include <memory>

#include "UIKit/UIViewController.h"
#include "photo-ident/KVNDocumentSelectionTableViewControllerDelegate.h"

class KVNActivityIndicatorView;
class KVNBlurredView;
class KVNLabel;

class KVNDocumentSelectionViewController : public UIViewController, public KVNDocumentSelectionTableViewControllerDelegate {
public:
    void viewDidLoad() override;

    const std::shared_ptr<KVNDocumentSelectionTableViewController>& tableViewController() const { return m_tableViewController; }
    const std::shared_ptr<KVNBlurredView>& loadingView() const { return m_loadingView; }

    void documentSelectionTableViewControllerSelectedDocument(const std::shared_ptr<KVNDocumentSelectionTableViewController>& controller) override;
    void switchLoadingView(bool shown);

private:
    void deselectRow();

    std::shared_ptr<KVNDocumentSelectionTableViewController> m_tableViewController;
    std::shared_ptr<KVNBlurredView> m_loadingView;
    std::shared_ptr<KVNActivityIndicatorView> m_spinner;
    std::shared_ptr<KVNLabel> m_label;
    bool m_startUnderWay = false;
};
