#include "photo-ident/KVNTodoTableViewController.h"

#include "AVFoundation/AVCaptureDevice.h"
#include "Foundation/BindToMainQueue.h"
#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNPushFromTop.h"
#include "Private/Helper/KVNAlert.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KavoniErrorCode.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNTodoCell.h"
#include "Private/UIElements/TextHeight.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UINavigationController.h"
#include "models/KVNDocument.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhoto.h"
#include "models/KVNPhotoIdentification.h"
#include "photo-ident/KVNPhotoViewController.h"
#include "photo-ident/KVNTodoTableViewControllerDelegate.h"

#include <algorithm>

void KVNTodoTableViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UITableViewController::viewDidLoad();
    auto session = KVNIdentification::sharedIdentification()->photoIdentification();
    if (session && session->selectedDocument())
        m_photos = session->selectedDocument()->photos();
    auto table = tableView();
    table->setBackgroundColor(UIColor::whiteColor());
    auto footer = std::make_shared<UIView>();
    footer->initWithFrame(CGRectZero);
    table->setTableFooterView(footer);
    table->registerClass_forCellReuseIdentifier<KVNTodoCell>(kCellIdentifier);
    setupTableHeaderView();
}

void KVNTodoTableViewController::setupTableHeaderView()
{
    CGRect frame = view()->frame();
    m_tableHeaderView = std::make_shared<UIView>();
    m_tableHeaderView->initWithFrame(frame);
    m_headerLabel = std::make_shared<KVNMediumLabel>();
    m_headerLabel->initWithFrame(CGRectZero);
    m_headerLabel->setFontSize(15);
    m_headerLabel->setNumberOfLines(0);
    m_headerLabel->setText(KVNLocalizer::localizedStringForKey("PHOTO_TODO_MESSAGE"));
    m_tableHeaderView->addSubview(m_headerLabel);
    Layout::ConstraintMaker::make(m_headerLabel, [&](Layout::ConstraintMaker& make) {
        make.left().top().equalTo(m_tableHeaderView).offset(20);
        make.right().equalTo(m_tableHeaderView).offset(-20);
    });
    CGFloat height = kvn::textHeight(m_headerLabel->text().value_or(""), KVNExtensions::mediumFontOfSize(15), frame.size.width - 40) + 40;
    m_tableHeaderView->setFrame(CGRectMake(frame.origin.x, frame.origin.y, frame.size.width, height));
    tableView()->setTableHeaderView(m_tableHeaderView);
}

long KVNTodoTableViewController::tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>&, long)
{
    return static_cast<long>(m_photos.size());
}

std::shared_ptr<UITableViewCell> KVNTodoTableViewController::tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                                             const NSIndexPath& indexPath)
{
    auto cell = tableView->dequeueReusableCellWithIdentifier_forIndexPath(kCellIdentifier, indexPath);
    if (auto todo = std::dynamic_pointer_cast<KVNTodoCell>(cell))
        todo->updateWithPhoto(m_photos.at(static_cast<size_t>(indexPath.row())));
    return cell;
}

std::optional<CGFloat> KVNTodoTableViewController::tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                                     const NSIndexPath& indexPath)
{
    auto& photo = m_photos.at(static_cast<size_t>(indexPath.row()));
    return KVNTodoCell::expectedHeightWithTitle_content_accessoryType_cellWidth(
        photo->localizedTitle(), photo->localizedSubtitle(),
        photo->thumbnail() ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryDisclosureIndicator, tableView->bounds().size.width);
}

void KVNTodoTableViewController::tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView, const NSIndexPath& indexPath)
{
    auto weak = std::weak_ptr<KVNTodoTableViewController>(std::static_pointer_cast<KVNTodoTableViewController>(shared_from_this()));
    // The answer may come on any queue; both outcomes continue on the main queue.
    AVCaptureDevice::requestAccessForMediaType_completionHandler(AVMediaTypeVideo, [weak, tableView, indexPath](bool granted) {
        if (granted) {
            kvn::postToMainQueue(weak, [indexPath](KVNTodoTableViewController& self) { self.openCameraForRow(indexPath.row()); });
            return;
        }
        dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 100'000'000), dispatch_get_main_queue(), [weak, tableView, indexPath] {
            kvn::postToMainQueue(weak, [indexPath](KVNTodoTableViewController& self) { self.showPermissionAlertForRow(indexPath); });
        });
    });
}

void KVNTodoTableViewController::openCameraForRow(long row)
{
    // A double tap asks twice and each granted answer comes here: only the first opens a camera.
    if (row < 0 || row >= static_cast<long>(m_photos.size()) || !KVNExtensions::isTopOfStack(shared_from_this()))
        return;
    auto camera = std::make_shared<KVNPhotoViewController>();
    camera->init();
    camera->setDelegate(std::static_pointer_cast<KVNTodoTableViewController>(shared_from_this()));
    camera->setPhoto(m_photos[static_cast<size_t>(row)]);
    KVNExtensions::pushFromTop(shared_from_this(), camera, true);
}

void KVNTodoTableViewController::showPermissionAlertForRow(const NSIndexPath& indexPath)
{
    KVNAlert::presentPermissionAlertFromViewController_withTitle_settingsMessage(
        shared_from_this(), KVNLocalizer::localizedStringForKey("CAMERA_ACCESS_DENIED_ALERT_TITLE"),
        KavoniErrorPrivate::kavoniErrorWithCode(KavoniErrorCode::CameraAccessDenied)->localizedDescription());
    tableView()->deselectRowAtIndexPath_animated(indexPath, true);
}

void KVNTodoTableViewController::photoChanged(const std::shared_ptr<KVNPhoto>& photo)
{
    auto found = std::find(m_photos.begin(), m_photos.end(), photo);
    if (found != m_photos.end())
        tableView()->reloadRowsAtIndexPaths_withRowAnimation({ NSIndexPath::indexPathForRow_inSection(found - m_photos.begin(), 0) },
                                                             UITableViewRowAnimationNone);
    if (auto target = delegate())
        target->todoTableViewControllerDidChangeTakenPhotosCount(std::static_pointer_cast<KVNTodoTableViewController>(shared_from_this()));
}

void KVNTodoTableViewController::photoViewController_didCreateImageForPhoto(const std::shared_ptr<KVNPhotoViewController>&,
                                                                            const std::shared_ptr<KVNPhoto>& photo)
{
    photoChanged(photo);
}

void KVNTodoTableViewController::photoViewController_didDeleteImageForPhoto(const std::shared_ptr<KVNPhotoViewController>&,
                                                                            const std::shared_ptr<KVNPhoto>& photo)
{
    photoChanged(photo);
}
