#include "photo-ident/KVNPhotoCheckViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNRoundedButtonDark.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "models/KVNPhoto.h"
#include "photo-ident/KVNPhotoCheckViewControllerDelegate.h"

void KVNPhotoCheckViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    auto self = view();
    auto weak = std::weak_ptr<KVNPhotoCheckViewController>(std::static_pointer_cast<KVNPhotoCheckViewController>(shared_from_this()));
    self->setBackgroundColor(UIColor::whiteColor());

    m_imageView = std::make_shared<UIImageView>();
    m_imageView->initWithImage(KVNImageProvider::imageNamed("help-example"));
    m_imageView->setContentMode(UIViewContentModeScaleToFill);
    self->addSubview(m_imageView);
    Layout::ConstraintMaker::make(m_imageView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });

    auto save = std::make_shared<KVNRoundedButton>();
    save->initWithFrame(CGRectZero);
    save->setTitle_forState(KVNLocalizer::localizedStringForKey("SAVE"), UIControlStateNormal);
    save->addTarget_action_forControlEvents(
        nullptr, kvn::bindToMainQueue(weak, [](KVNPhotoCheckViewController& self, const std::shared_ptr<UIControl>&) { self.saveButtonPressed(); }),
        UIControlEventTouchUpInside);
    self->addSubview(save);
    Layout::ConstraintMaker::make(save, [&](Layout::ConstraintMaker& make) {
        make.right().equalTo(self).offset(-20);
        m_saveButtonBottomConstraint = make.bottom().equalTo(self).offset(0).kept();
    });

    auto retry = std::make_shared<KVNRoundedButtonDark>();
    retry->initWithFrame(CGRectZero);
    retry->setTitle_forState(KVNLocalizer::localizedStringForKey("PHOTO_CHECK_RETRY_BUTTON_TITLE"), UIControlStateNormal);
    retry->addTarget_action_forControlEvents(
        nullptr, kvn::bindToMainQueue(weak, [](KVNPhotoCheckViewController& self, const std::shared_ptr<UIControl>&) { self.retryButtonPressed(); }),
        UIControlEventTouchUpInside);
    self->addSubview(retry);
    Layout::ConstraintMaker::make(retry, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(self).offset(20);
        make.width().equalTo(save);
        make.right().equalTo(save->leftAnchor()).offset(-10);
        make.centerY().equalTo(save);
    });
}

void KVNPhotoCheckViewController::updateContentForPhoto_buttonBottomMargin(const std::shared_ptr<KVNPhoto>& photo, CGFloat margin)
{
    loadViewIfNeeded();
    m_imageView->setImage(photo ? photo->image() : nullptr);
    m_saveButtonBottomConstraint->setOffset(-margin);
}

void KVNPhotoCheckViewController::saveButtonPressed()
{
    if (auto target = delegate())
        target->photoCheckViewControllerDidPressSaveButton(std::static_pointer_cast<KVNPhotoCheckViewController>(shared_from_this()));
}

void KVNPhotoCheckViewController::retryButtonPressed()
{
    if (auto target = delegate())
        target->photoCheckViewControllerDidPressRetryButton(std::static_pointer_cast<KVNPhotoCheckViewController>(shared_from_this()));
}
