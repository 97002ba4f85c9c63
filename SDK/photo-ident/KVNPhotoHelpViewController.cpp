#include "photo-ident/KVNPhotoHelpViewController.h"

#include "Foundation/BindToMainQueue.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/TextHeight.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIScrollView.h"
#include "models/KVNPhoto.h"
#include "photo-ident/KVNPhotoHelpViewControllerDelegate.h"
#include "public/KavoniAppearance.h"

#include <cmath>

void KVNPhotoHelpViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    auto self = view();
    auto weak = std::weak_ptr<KVNPhotoHelpViewController>(std::static_pointer_cast<KVNPhotoHelpViewController>(shared_from_this()));
    auto toggle = kvn::bindToMainQueue(weak, [](KVNPhotoHelpViewController& self, const std::shared_ptr<UIControl>&) { self.collapse(); });
    auto headline = KavoniAppearance::sharedAppearance()->headlineColor();

    auto background = std::make_shared<KVNBlurredView>();
    background->initWithFrame(CGRectZero);
    self->addSubview(background);
    Layout::ConstraintMaker::make(background, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });
    auto backgroundContent = background->contentView();

    m_scrollView = std::make_shared<UIScrollView>();
    m_scrollView->initWithFrame(CGRectZero);
    backgroundContent->addSubview(m_scrollView);
    Layout::ConstraintMaker::make(m_scrollView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(backgroundContent); });

    auto content = std::make_shared<UIView>();
    content->initWithFrame(CGRectZero);
    m_scrollView->addSubview(content);
    Layout::ConstraintMaker::make(content, [&](Layout::ConstraintMaker& make) {
        make.top().left().right().equalTo(m_scrollView);
        make.bottom().equalTo(m_scrollView).priority(200);
        make.width().equalTo(backgroundContent);
    });

    m_titleLabel = std::make_shared<KVNLabel>();
    m_titleLabel->initWithFrame(CGRectZero);
    m_titleLabel->setNumberOfLines(0);
    m_titleLabel->setTextColor(headline);
    m_titleLabel->setFont(KVNExtensions::regularFontOfSize(16));
    content->addSubview(m_titleLabel);
    Layout::ConstraintMaker::make(m_titleLabel, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(content).offset(17);
        make.left().equalTo(content).offset(20);
    });

    m_chevronButton = UIButton::buttonWithType(UIButtonTypeCustom);
    if (auto chevron = KVNImageProvider::imageNamed("kvn-icon-chevron"))
        m_chevronButton->setImage_forState(chevron->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate), UIControlStateNormal);
    m_chevronButton->setTintColor(headline);
    m_chevronButton->addTarget_action_forControlEvents(nullptr, toggle, UIControlEventTouchUpInside);
    content->addSubview(m_chevronButton);
    Layout::ConstraintMaker::make(m_chevronButton, [&](Layout::ConstraintMaker& make) {
        make.width().height().equalTo(50);
        make.right().equalTo(content).offset(-5);
        make.left().greaterThanOrEqualTo(m_titleLabel->rightAnchor()).offset(15);
        make.centerY().equalTo(m_titleLabel);
    });

    m_descriptionLabel = std::make_shared<KVNLabel>();
    m_descriptionLabel->initWithFrame(CGRectZero);
    m_descriptionLabel->setFont(KVNExtensions::regularFontOfSize(14));
    m_descriptionLabel->setNumberOfLines(0);
    content->addSubview(m_descriptionLabel);
    Layout::ConstraintMaker::make(m_descriptionLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_titleLabel);
        make.right().equalTo(content).offset(-20);
        make.top().equalTo(m_titleLabel->bottomAnchor()).offset(10);
    });

    auto heading = std::make_shared<KVNLabel>();
    heading->initWithFrame(CGRectZero);
    heading->setFont(KVNExtensions::regularFontOfSize(14));
    heading->setNumberOfLines(0);
    heading->setText(KVNLocalizer::localizedStringForKey("PHOTO_HELP_INSTRUCTIONS_TITLE"));
    content->addSubview(heading);
    Layout::ConstraintMaker::make(heading, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_titleLabel);
        make.right().equalTo(m_descriptionLabel);
        make.top().equalTo(m_descriptionLabel->bottomAnchor()).offset(20);
    });

    m_listLabel = std::make_shared<KVNLabel>();
    m_listLabel->initWithFrame(CGRectZero);
    m_listLabel->setNumberOfLines(0);
    content->addSubview(m_listLabel);
    Layout::ConstraintMaker::make(m_listLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_titleLabel);
        make.right().equalTo(m_descriptionLabel);
        make.top().equalTo(heading->bottomAnchor()).offset(20);
    });

    m_imageLabel = std::make_shared<KVNMediumLabel>();
    m_imageLabel->initWithFrame(CGRectZero);
    m_imageLabel->setFontSize(14);
    m_imageLabel->setText(KVNLocalizer::localizedStringForKey("PHOTO_HELP_CAPTION"));
    content->addSubview(m_imageLabel);
    Layout::ConstraintMaker::make(m_imageLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_titleLabel);
        make.right().equalTo(m_descriptionLabel);
        make.top().equalTo(m_listLabel->bottomAnchor()).offset(30);
    });

    m_imageView = std::make_shared<UIImageView>();
    m_imageView->initWithImage(KVNImageProvider::imageNamed("help-example"));
    m_imageView->setClipsToBounds(true);
    m_imageView->setContentMode(UIViewContentModeScaleAspectFill);
    content->addSubview(m_imageView);
    Layout::ConstraintMaker::make(m_imageView, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_titleLabel);
        make.right().equalTo(m_descriptionLabel);
        make.top().equalTo(m_imageLabel->bottomAnchor()).offset(20);
        make.bottom().equalTo(content).offset(-101);
        m_imageHeightConstraint = make.height().equalTo(0).kept();
    });

    m_takePhotoButtonContentView = std::make_shared<KVNBlurredView>();
    m_takePhotoButtonContentView->initWithFrame(CGRectZero);
    self->addSubview(m_takePhotoButtonContentView);
    Layout::ConstraintMaker::make(m_takePhotoButtonContentView, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(self);
        m_takePhotoButtonContentViewBottomConstraint = make.bottom().equalTo(self).offset(0).kept();
    });
    auto take = std::make_shared<KVNRoundedButton>();
    take->initWithFrame(CGRectZero);
    take->setTitle_forState(KVNLocalizer::localizedStringForKey("PHOTO_TAKE_PICTURE_BUTTON_TITLE"), UIControlStateNormal);
    take->setClipsToBounds(true);
    take->addTarget_action_forControlEvents(nullptr, toggle, UIControlEventTouchUpInside);
    m_takePhotoButtonContentView->contentView()->addSubview(take);
    Layout::ConstraintMaker::make(take, [&](Layout::ConstraintMaker& make) {
        make.edges().equalTo(m_takePhotoButtonContentView->contentView()).inset(20).priority(999);
    });

    m_collapseButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_collapseButton->setUserInteractionEnabled(false);
    m_collapseButton->addTarget_action_forControlEvents(nullptr, toggle, UIControlEventTouchUpInside);
    self->addSubview(m_collapseButton);
    Layout::ConstraintMaker::make(m_collapseButton, [&](Layout::ConstraintMaker& make) {
        make.left().right().top().equalTo(self);
        m_collapseHeightConstraint = make.height().equalTo(0).kept();
    });
}

CGFloat KVNPhotoHelpViewController::collapsedHeightForWidth(CGFloat width)
{
    loadViewIfNeeded();
    CGFloat textWidth = width - 20 - 20;
    CGFloat title = kvn::textHeight(m_titleLabel->text().value_or(""), KVNExtensions::regularFontOfSize(16), textWidth);
    if (UIScreen::mainScreen()->bounds().size.height < 568)
        return title + 17 + 12;
    CGFloat description = kvn::textHeight(m_descriptionLabel->text().value_or(""), KVNExtensions::regularFontOfSize(14), textWidth);
    return title + 17 + 10 + description + 17;
}

void KVNPhotoHelpViewController::setCollapsed(bool collapsed)
{
    loadViewIfNeeded();
    m_scrollView->setScrollEnabled(!collapsed);
    m_collapseButton->setUserInteractionEnabled(collapsed);
    m_takePhotoButtonContentViewBottomConstraint->setOffset(collapsed ? kTakePhotoPanelHiddenOffset : 0);
    if (collapsed)
        m_scrollView->setContentOffset_animated(CGPointMake(0, 0), true);
    m_chevronButton->setTransform(collapsed ? CGAffineTransformMakeRotation(M_PI) : CGAffineTransformIdentity);
}

void KVNPhotoHelpViewController::updateContentForPhoto(const std::shared_ptr<KVNPhoto>& photo)
{
    loadViewIfNeeded();
    if (!photo)
        return;
    m_titleLabel->setText(photo->localizedHelpTitle());
    m_descriptionLabel->setText(photo->localizedHelpDescription());
    m_listLabel->setAttributedText(photo->localizedHelpListAsAttributedString());
    auto example = photo->helpExampleImage();
    m_imageView->setImage(example);
    CGFloat width = view()->bounds().size.width;
    // A slot without an example picture (or with an empty one) takes no room rather than a
    // height divided by zero.
    CGFloat height = 0;
    if (example && example->size().width > 0)
        height = example->size().height * (width - 40) / example->size().width;
    m_imageHeightConstraint->setOffset(std::isfinite(height) && height > 0 ? height : 0);
    m_collapseHeightConstraint->setOffset(collapsedHeightForWidth(width));
}

void KVNPhotoHelpViewController::collapse()
{
    if (auto target = delegate())
        target->photoHelpViewControllerDidPressCollapseButton(std::static_pointer_cast<KVNPhotoHelpViewController>(shared_from_this()));
}
