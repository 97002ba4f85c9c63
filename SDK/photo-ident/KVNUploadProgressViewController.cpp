#include "photo-ident/KVNUploadProgressViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSString.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Extensions/UIImage+KVNExtensions.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Helper/KVNAlert.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNRequestManager.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNProgressView.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UINavigationController.h"
#include "models/KVNDocument.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhoto.h"
#include "models/KVNPhotoIdentification.h"
#include "public/KavoniAppearance.h"
#include "public/KavoniController.h"
#include "public/KavoniSettings.h"

void KVNUploadProgressViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    auto self = view();
    self->setBackgroundColor(UIColor::whiteColor());
    KVNExtensions::setKavoniTitle(navigationItem(), KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_PHOTO_IDENT_PROGRESS"));
    navigationItem()->setHidesBackButton(true);

    auto backgroundImage = KVNImageProvider::imageNamed(KavoniAppearance::sharedAppearance()->bgImageName());
    auto background = std::make_shared<UIImageView>();
    background->initWithImage(backgroundImage);
    background->setContentMode(UIViewContentModeScaleAspectFill);
    self->addSubview(background);
    Layout::ConstraintMaker::make(background, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(self);
        make.top().equalTo(topLayoutGuide()->bottomAnchor());
        make.bottom().equalTo(bottomLayoutGuide()->topAnchor());
    });

    auto container = std::make_shared<UIView>();
    container->initWithFrame(CGRectZero);
    container->setBackgroundColor(backgroundImage ? KVNExtensions::colorByAdjustingBrightnessWithOffset(UIColor::whiteColor(), -0.02)
                                                  : UIColor::whiteColor());
    self->addSubview(container);
    Layout::ConstraintMaker::make(container, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(self).offset(20);
        make.right().equalTo(self).offset(-20);
        make.centerY().equalTo(background);
    });

    std::shared_ptr<UIImageView> logo;
    auto controller = KavoniController::currentKavoniController();
    auto logoImage = UIImage::imageNamed("kvn-logo-large");
    if (logoImage && controller && controller->settings() && controller->settings()->showPoweredBy()) {
        logo = std::make_shared<UIImageView>();
        logo->initWithImage(logoImage);
        container->addSubview(logo);
        Layout::ConstraintMaker::make(logo, [&](Layout::ConstraintMaker& make) {
            make.top().equalTo(container).offset(30);
            make.centerX().equalTo(container);
        });
    }

    auto message = std::make_shared<KVNLabel>();
    message->initWithFrame(CGRectZero);
    message->setFont(KVNExtensions::regularFontOfSize(14));
    message->setNumberOfLines(0);
    message->setText(KVNLocalizer::localizedStringForKey("PHOTO_UPLOAD_PROGRESS_MESSAGE"));
    container->addSubview(message);
    Layout::ConstraintMaker::make(message, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(container).offset(32);
        make.right().equalTo(container).offset(-32);
        if (logo)
            make.top().equalTo(logo->bottomAnchor()).offset(20);
        else
            make.top().equalTo(container).offset(30);
    });

    m_progressValueLabel = std::make_shared<KVNLabel>();
    m_progressValueLabel->initWithFrame(CGRectZero);
    m_progressValueLabel->setText(" ");
    m_progressValueLabel->setFont(KVNExtensions::regularFontOfSize(14));
    m_progressValueLabel->setTextAlignment(NSTextAlignmentCenter);
    container->addSubview(m_progressValueLabel);
    Layout::ConstraintMaker::make(m_progressValueLabel, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(message);
        make.top().equalTo(message->bottomAnchor()).offset(20);
    });

    m_progressView = std::make_shared<KVNProgressView>();
    m_progressView->initWithProgressViewStyle(UIProgressViewStyleBar);
    m_progressView->setProgress(0);
    container->addSubview(m_progressView);
    Layout::ConstraintMaker::make(m_progressView, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(message);
        make.height().equalTo(14);
        make.top().equalTo(m_progressValueLabel->bottomAnchor()).offset(10);
        make.bottom().equalTo(container).offset(-30);
    });

    auto session = KVNIdentification::sharedIdentification()->photoIdentification();
    if (session && session->selectedDocument())
        m_photos = session->selectedDocument()->photos();
    self->layoutIfNeeded();
    startPhotoUpload();
}

void KVNUploadProgressViewController::setUploadedPhotosCount(long count)
{
    m_uploadedPhotosCount = count;
    // Without slots there is nothing to divide: the bar is full.
    float progress = m_photos.empty() ? 1.0f : static_cast<float>(count) * (1.0f / static_cast<float>(m_photos.size()));
    m_progressView->setProgress_animated(progress, true);
    m_progressValueLabel->setText(NSString::stringWithFormat("%.0f%%", static_cast<double>(m_progressView->progress() * 100)));
}

void KVNUploadProgressViewController::startPhotoUpload()
{
    setUploadedPhotosCount(0);
    KVNRequestManager::sharedManager()->cancelTasks();
    uploadNextPhoto();
}

void KVNUploadProgressViewController::uploadNextPhoto()
{
    // A document without slots has nothing to send: straight to the completion call.
    if (m_uploadedPhotosCount >= static_cast<long>(m_photos.size())) {
        checkUploadedPhotos();
        return;
    }
    auto photo = m_photos[static_cast<size_t>(m_uploadedPhotosCount)];
    if (!photo->image()) {
        setUploadedPhotosCount(m_uploadedPhotosCount + 1);
        checkUploadedPhotos();
        return;
    }
    photo->setImage(KVNExtensions::resizedImageWithMaxDimension_allowUpScale_withScale(photo->image(), 2024, false, 1.0));
    auto weak = std::weak_ptr<KVNUploadProgressViewController>(std::static_pointer_cast<KVNUploadProgressViewController>(shared_from_this()));
    KVNRequestManager::sharedManager()->POSTPhotoIdentPhoto_callback(
        photo, kvn::bindToMainQueue(weak, [](KVNUploadProgressViewController& self, const std::shared_ptr<NSError>& error) {
            if (error) {
                auto again = std::weak_ptr<KVNUploadProgressViewController>(
                    std::static_pointer_cast<KVNUploadProgressViewController>(self.shared_from_this()));
                self.showAlertForError_withRetryBlock(
                    error, kvn::bindToMainQueue(again, [](KVNUploadProgressViewController& screen) { screen.startPhotoUpload(); }));
                return;
            }
            self.setUploadedPhotosCount(self.m_uploadedPhotosCount + 1);
            self.checkUploadedPhotos();
        }));
}

void KVNUploadProgressViewController::checkUploadedPhotos()
{
    if (m_uploadedPhotosCount >= static_cast<long>(m_photos.size()))
        requestVideoChat();
    else
        uploadNextPhoto();
}

void KVNUploadProgressViewController::requestVideoChat()
{
    auto weak = std::weak_ptr<KVNUploadProgressViewController>(std::static_pointer_cast<KVNUploadProgressViewController>(shared_from_this()));
    KVNRequestManager::sharedManager()->requestVideoChat(
        kvn::bindToMainQueue(weak, [weak](KVNUploadProgressViewController& self, const std::shared_ptr<NSError>& error) {
            if (error) {
                self.showAlertForError_withRetryBlock(
                    error, kvn::bindToMainQueue(weak, [](KVNUploadProgressViewController& screen) { screen.requestVideoChat(); }));
                return;
            }
            dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 1'000'000'000), dispatch_get_main_queue(),
                           [weak] { kvn::postToMainQueue(weak, [](KVNUploadProgressViewController& screen) { screen.showResult(); }); });
        }));
}

void KVNUploadProgressViewController::popBack()
{
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void KVNUploadProgressViewController::showAlertForError_withRetryBlock(const std::shared_ptr<NSError>& error, std::function<void()> retryBlock)
{
    auto weak = std::weak_ptr<KVNUploadProgressViewController>(std::static_pointer_cast<KVNUploadProgressViewController>(shared_from_this()));
    std::function<void()> pop = kvn::bindToMainQueue(weak, [](KVNUploadProgressViewController& self) { self.popBack(); });
    if (KavoniErrorPrivate::isKavoniServerError(*error)) {
        KavoniErrorPrivate::presentServerErrorAlertFromViewController_withTapBlock(*error, shared_from_this(), pop);
        return;
    }
    KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock_secondButtonTitle_secondButtonBlock(
        shared_from_this(), KVNLocalizer::localizedStringForKey("ERROR"), KVNLocalizer::localizedStringForKey("PHOTO_UPLOAD_FAILED_ALERT_MESSAGE"),
        KVNLocalizer::localizedStringForKey("CANCEL"), pop, KVNLocalizer::localizedStringForKey("RETRY"), std::move(retryBlock));
}

void KVNUploadProgressViewController::showResult()
{
    auto controller = KavoniController::currentKavoniController();
    if (!controller)
        return;
    if (!KVNIdentification::sharedIdentification()->openURLForIdentificationSuccess(true) && controller->settings()
        && controller->settings()->showErrorSuccessScreen()) {
        auto result = std::make_shared<KVNResultViewController>();
        result->setSuccess(true);
        result->init();
        if (auto navigation = navigationController())
            navigation->pushViewController_animated(result, true);
        return;
    }
    controller->dismissIdentificationFromNavigationController(navigationController());
    controller->identificationSuccessfull();
}
