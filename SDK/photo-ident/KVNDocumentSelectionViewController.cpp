#include "photo-ident/KVNDocumentSelectionViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Helper/KVNPushFromTop.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/UIElements/KVNActivityIndicatorView.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNLabel.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UINavigationController.h"
#include "models/KVNCountry.h"
#include "models/KVNDocument.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhotoIdentification.h"
#include "photo-ident/KVNDocumentSelectionTableViewController.h"
#include "photo-ident/KVNTodoViewController.h"

void KVNDocumentSelectionViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    auto self = view();
    KVNExtensions::setKavoniTitle(navigationItem(), KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_PHOTO_IDENT_DOCUMENT"));

    m_tableViewController = std::make_shared<KVNDocumentSelectionTableViewController>();
    m_tableViewController->initWithStyle(UITableViewStyle::Plain);
    m_tableViewController->setDelegate(
        std::static_pointer_cast<KVNDocumentSelectionViewController>(shared_from_this()));
    addChildViewController(m_tableViewController);
    self->addSubview(m_tableViewController->view());
    Layout::ConstraintMaker::make(m_tableViewController->view(), [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });
    m_tableViewController->didMoveToParentViewController(shared_from_this());

    m_loadingView = std::make_shared<KVNBlurredView>();
    m_loadingView->initWithFrame(CGRectZero);
    m_loadingView->setAlpha(0);
    self->addSubview(m_loadingView);
    Layout::ConstraintMaker::make(m_loadingView, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(self);
        make.top().equalTo(topLayoutGuide()->bottomAnchor());
        make.bottom().equalTo(bottomLayoutGuide()->topAnchor());
    });

    auto content = m_loadingView->contentView();
    auto container = std::make_shared<UIView>();
    container->initWithFrame(CGRectZero);
    content->addSubview(container);
    Layout::ConstraintMaker::make(container, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(content).offset(20);
        make.right().equalTo(content).offset(-20);
        make.centerY().equalTo(content);
    });

    m_spinner = std::make_shared<KVNActivityIndicatorView>();
    m_spinner->initWithActivityIndicatorStyle(UIActivityIndicatorViewStyleWhiteLarge);
    m_spinner->startAnimating();
    container->addSubview(m_spinner);
    Layout::ConstraintMaker::make(m_spinner, [&](Layout::ConstraintMaker& make) {
        make.centerX().equalTo(container);
        make.top().equalTo(container);
    });

    m_label = std::make_shared<KVNLabel>();
    m_label->initWithFrame(CGRectZero);
    m_label->setText(KVNLocalizer::localizedStringForKey("DOCUMENT_SELECTION_LOADING_MESSAGE"));
    m_label->setFont(KVNExtensions::regularFontOfSize(16));
    m_label->setTextAlignment(NSTextAlignmentCenter);
    m_label->setNumberOfLines(0);
    container->addSubview(m_label);
    Layout::ConstraintMaker::make(m_label, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(m_spinner->bottomAnchor()).offset(20);
        make.left().right().bottom().equalTo(container);
    });
}

void KVNDocumentSelectionViewController::switchLoadingView(bool shown)
{
    auto overlay = m_loadingView;
    UIView::animateWithDuration_animations(0.25, [overlay, shown] { overlay->setAlpha(shown ? 1.0 : 0.0); });
}

void KVNDocumentSelectionViewController::deselectRow()
{
    auto table = m_tableViewController->tableView();
    if (auto selected = table->indexPathForSelectedRow())
        table->deselectRowAtIndexPath_animated(*selected, true);
}

void KVNDocumentSelectionViewController::documentSelectionTableViewControllerSelectedDocument(
    const std::shared_ptr<KVNDocumentSelectionTableViewController>&)
{
    KVN_ASSERT_MAIN_THREAD();
    auto session = KVNIdentification::sharedIdentification()->photoIdentification();
    // One start per choice: a second tap while the first start is on its way, or after its
    // list was pushed, would start the identification again.
    if (!session || !session->selectedDocument() || !session->selectedCountry() || m_startUnderWay ||
        !KVNExtensions::isTopOfStack(shared_from_this()))
        return;
    m_startUnderWay = true;
    switchLoadingView(true);
    auto todo = std::make_shared<KVNTodoViewController>();
    todo->init();
    auto weak = std::weak_ptr<KVNDocumentSelectionViewController>(std::static_pointer_cast<KVNDocumentSelectionViewController>(shared_from_this()));
    KVNRequestManager::sharedManager()->POSTStartPhotoIdentificationForIDType_idCountry_callback(
        session->selectedDocument()->documentName(), session->selectedCountry()->locale(),
        kvn::bindToMainQueue(weak, [todo](KVNDocumentSelectionViewController& screen, const std::shared_ptr<NSError>& error) {
            auto self = std::static_pointer_cast<KVNDocumentSelectionViewController>(screen.shared_from_this());
            self->switchLoadingView(false);
            self->m_startUnderWay = false;
            if (!error) {
                KVNExtensions::pushFromTop(self, todo, true);
                return;
            }
            std::function<void()> deselect = kvn::bindToMainQueue(std::weak_ptr<KVNDocumentSelectionViewController>(self),
                                                                   [](KVNDocumentSelectionViewController& screen) { screen.deselectRow(); });
            if (KavoniErrorPrivate::isKavoniServerError(*error))
                KavoniErrorPrivate::presentServerErrorAlertFromViewController_withTapBlock(*error, self, deselect);
            else
                KavoniErrorPrivate::presentAlertFromViewController_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
                    *error, self, KVNLocalizer::localizedStringForKey("OK"), deselect, std::nullopt, nullptr);
        }));
}
