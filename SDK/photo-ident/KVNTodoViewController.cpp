#include "photo-ident/KVNTodoViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Helper/KVNPushFromTop.h"
#include "Private/Helper/KVNAlert.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/TextHeight.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UINavigationController.h"
#include "models/KVNDocument.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhoto.h"
#include "models/KVNPhotoIdentification.h"
#include "photo-ident/KVNTodoTableViewController.h"
#include "photo-ident/KVNUploadProgressViewController.h"

#include <algorithm>

namespace {

std::vector<std::shared_ptr<KVNPhoto>> chosenSlots()
{
    auto session = KVNIdentification::sharedIdentification()->photoIdentification();
    if (!session || !session->selectedDocument())
        return {};
    return session->selectedDocument()->photos();
}

} // namespace

void KVNTodoViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    auto self = view();
    auto weak = std::weak_ptr<KVNTodoViewController>(std::static_pointer_cast<KVNTodoViewController>(shared_from_this()));
    KVNExtensions::setKavoniTitle(navigationItem(), KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_PHOTO_IDENT_TODO"));
    self->setBackgroundColor(UIColor::whiteColor());

    m_restartButtonItem = std::make_shared<UIBarButtonItem>();
    m_restartButtonItem->initWithTitle_style_target_action(
        KVNLocalizer::localizedStringForKey("START_OVER"), UIBarButtonItemStyle::Plain, nullptr,
        kvn::bindToMainQueue(weak, [](KVNTodoViewController& self, const std::shared_ptr<UIBarButtonItem>&) { self.restartIdent(); }));

    m_tableViewController = std::make_shared<KVNTodoTableViewController>();
    m_tableViewController->initWithStyle(UITableViewStyle::Plain);
    m_tableViewController->setDelegate(std::static_pointer_cast<KVNTodoViewController>(shared_from_this()));
    addChildViewController(m_tableViewController);
    self->addSubview(m_tableViewController->view());
    Layout::ConstraintMaker::make(m_tableViewController->view(), [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });
    m_tableViewController->didMoveToParentViewController(shared_from_this());

    m_transferView = std::make_shared<KVNBlurredView>();
    m_transferView->initWithFrame(CGRectZero);
    m_transferView->setAlpha(0);
    self->addSubview(m_transferView);
    Layout::ConstraintMaker::make(m_transferView, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(self);
        make.bottom().equalTo(bottomLayoutGuide()->topAnchor());
    });
    auto content = m_transferView->contentView();

    m_transferLabel = std::make_shared<KVNLabel>();
    m_transferLabel->initWithFrame(CGRectZero);
    m_transferLabel->setFont(KVNExtensions::regularFontOfSize(11));
    m_transferLabel->setNumberOfLines(0);
    m_transferLabel->setText(KVNLocalizer::localizedStringForKey("PHOTO_TODO_TRANSFER_MESSAGE"));
    content->addSubview(m_transferLabel);
    Layout::ConstraintMaker::make(m_transferLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(content).offset(28);
        make.right().equalTo(content).offset(-28);
        make.top().equalTo(content).offset(20);
    });

    auto transfer = std::make_shared<KVNRoundedButton>();
    transfer->initWithFrame(CGRectZero);
    transfer->setTitle_forState(KVNLocalizer::localizedStringForKey("PHOTO_TODO_TRANSFER_BUTTON_TITLE"), UIControlStateNormal);
    transfer->addTarget_action_forControlEvents(
        nullptr, kvn::bindToMainQueue(weak, [](KVNTodoViewController& self, const std::shared_ptr<UIControl>&) { self.transferButtonPressed(); }),
        UIControlEventTouchUpInside);
    content->addSubview(transfer);
    Layout::ConstraintMaker::make(transfer, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(content).offset(20);
        make.right().equalTo(content).offset(-20);
        make.top().equalTo(m_transferLabel->bottomAnchor()).offset(13);
        make.bottom().equalTo(content).offset(-18);
    });

    updateUIBasedOnExistingPhotos();
}

bool KVNTodoViewController::isReadyForTransfer() const
{
    auto slots = chosenSlots();
    return std::all_of(slots.begin(), slots.end(), [](const auto& photo) { return photo->thumbnail() != nullptr; });
}

bool KVNTodoViewController::hasAtLeastOnePhoto() const
{
    auto slots = chosenSlots();
    return std::any_of(slots.begin(), slots.end(), [](const auto& photo) { return photo->thumbnail() != nullptr; });
}

void KVNTodoViewController::updateUIBasedOnExistingPhotos()
{
    m_transferView->setAlpha(isReadyForTransfer() ? 1.0 : 0.0);
    navigationItem()->setLeftBarButtonItem(hasAtLeastOnePhoto() ? m_restartButtonItem : nullptr);
}

void KVNTodoViewController::viewWillLayoutSubviews()
{
    adaptTableViewInsetsWithTransferViewVisible(isReadyForTransfer());
    UIViewController::viewWillLayoutSubviews();
}

CGFloat KVNTodoViewController::expectedHeightForTransferView()
{
    return kvn::textHeight(m_transferLabel->text().value_or(""), KVNExtensions::regularFontOfSize(11), view()->bounds().size.width - 56) + 20 + 13
           + 41 + 18;
}

void KVNTodoViewController::adaptTableViewInsetsWithTransferViewVisible(bool visible)
{
    auto table = m_tableViewController->tableView();
    UIEdgeInsets wanted = UIEdgeInsetsMake(topLayoutGuide()->length(), 0,
                                           bottomLayoutGuide()->length() + (visible ? expectedHeightForTransferView() : 0), 0);
    UIEdgeInsets current = table->contentInset();
    if (current.top != wanted.top || current.left != wanted.left || current.bottom != wanted.bottom || current.right != wanted.right)
        table->setContentInset(wanted);
}

void KVNTodoViewController::todoTableViewControllerDidChangeTakenPhotosCount(const std::shared_ptr<KVNTodoTableViewController>&)
{
    updateUIBasedOnExistingPhotos();
}

void KVNTodoViewController::transferButtonPressed()
{
    if (!KVNExtensions::isTopOfStack(shared_from_this()))
        return;
    auto upload = std::make_shared<KVNUploadProgressViewController>();
    upload->init();
    KVNExtensions::pushFromTop(shared_from_this(), upload, true);
}

void KVNTodoViewController::restartIdent()
{
    auto weak = std::weak_ptr<KVNTodoViewController>(std::static_pointer_cast<KVNTodoViewController>(shared_from_this()));
    KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        shared_from_this(), std::nullopt, KVNLocalizer::localizedStringForKey("PHOTO_TODO_RESTART_ALERT_MESSAGE"),
        KVNLocalizer::localizedStringForKey("CONTINUE"), nullptr, KVNLocalizer::localizedStringForKey("START_OVER"),
        kvn::bindToMainQueue(weak, [](KVNTodoViewController& self) {
            auto session = KVNIdentification::sharedIdentification()->photoIdentification();
            if (session && session->selectedDocument())
                session->selectedDocument()->cleanUpPhotos();
            if (auto navigation = self.navigationController())
                navigation->popViewControllerAnimated(true);
        }));
}
