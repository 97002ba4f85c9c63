#include "photo-ident/KVNPhotoViewController.h"

#include "AVFoundation/AVCaptureConnection.h"
#include "AVFoundation/AVCaptureDeviceInput.h"
#include "AVFoundation/AVCaptureSession.h"
#include "AVFoundation/AVCaptureStillImageOutput.h"
#include "AVFoundation/AVError.h"
#include "AVFoundation/AVVideoSettings.h"
#include "CoreGraphics/CGImage.h"
#include "Foundation/BindToMainQueue.h"
#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"
#include "Private/Extensions/UIImage+KVNExtensions.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Helper/KVNAlert.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNLog.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "UIKit/AVCaptureVideoPreviewLayer.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILayoutGuide.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITouch.h"
#include "models/KVNPhoto.h"
#include "photo-ident/KVNPhotoCheckViewController.h"
#include "photo-ident/KVNPhotoHelpViewController.h"
#include "photo-ident/KVNPhotoViewControllerDelegate.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr CGFloat kTorchRoom = 65;
constexpr CGFloat kThumbnailSide = 70;

} // namespace

void KVNPhotoViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    auto self = view();
    auto me = std::static_pointer_cast<KVNPhotoViewController>(shared_from_this());
    std::weak_ptr<KVNPhotoViewController> weak = me;
    self->setBackgroundColor(UIColor::whiteColor());
    KVNExtensions::setKavoniTitle(navigationItem(), KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_PHOTO_IDENT_PHOTO"));
    bool back = m_photo && m_photo->captureDevicePosition() == AVCaptureDevicePositionBack;

    setupCamera();

    if (back && KVNExtensions::canSetFocusPointOfInterest()) {
        auto tap = std::make_shared<UITapGestureRecognizer>();
        tap->initWithTarget_action(nullptr, kvn::bindToMainQueue(weak, [](KVNPhotoViewController& self, const std::shared_ptr<UIGestureRecognizer>& r) {
                                       self.tapDetected(r);
                                   }));
        tap->setDelegate(std::static_pointer_cast<UIGestureRecognizerDelegate>(me));
        self->addGestureRecognizer(tap);
    }

    m_torchButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_torchButton->setImage_forState(KVNImageProvider::imageNamed("kvn-icon-flash-off"), UIControlStateNormal);
    m_torchButton->setAccessibilityIdentifier("torch");
    m_torchButton->addTarget_action_forControlEvents(
        nullptr, kvn::bindToMainQueue(weak, [](KVNPhotoViewController& self, const std::shared_ptr<UIControl>&) { self.torchButtonTapped(); }),
        UIControlEventTouchUpInside);
    self->addSubview(m_torchButton);
    setTorchEnabled(m_photo && m_photo->shouldEnableTorchByDefault());

    m_takePhotoButton = std::make_shared<KVNRoundedButton>();
    m_takePhotoButton->initWithFrame(CGRectZero);
    m_takePhotoButton->setTitle_forState(KVNLocalizer::localizedStringForKey("PHOTO_TAKE_PICTURE_BUTTON_TITLE"), UIControlStateNormal);
    m_takePhotoButton->addTarget_action_forControlEvents(
        nullptr, kvn::bindToMainQueue(weak, [](KVNPhotoViewController& self, const std::shared_ptr<UIControl>&) { self.captureStillImage(); }),
        UIControlEventTouchUpInside);
    self->addSubview(m_takePhotoButton);

    m_maskContentView = std::make_shared<UIView>();
    m_maskContentView->initWithFrame(CGRectZero);
    m_maskContentView->setUserInteractionEnabled(false);
    self->addSubview(m_maskContentView);
    m_maskImageView = std::make_shared<UIImageView>();
    m_maskImageView->initWithImage(m_photo ? m_photo->maskImage() : nullptr);
    m_maskImageView->setHidden(!m_photo || !m_photo->shouldShowMask());
    m_maskContentView->addSubview(m_maskImageView);

    m_focusImageView = std::make_shared<UIImageView>();
    m_focusImageView->initWithImage(KVNImageProvider::imageNamed("kvn-icon-focus"));
    m_focusImageView->setAlpha(0);
    self->addSubview(m_focusImageView);

    m_checkViewController = std::make_shared<KVNPhotoCheckViewController>();
    m_checkViewController->init();
    m_checkViewController->setDelegate(std::static_pointer_cast<KVNPhotoCheckViewControllerDelegate>(me));
    addChildViewController(m_checkViewController);
    m_checkViewController->view()->setAlpha(0);
    self->addSubview(m_checkViewController->view());
    Layout::ConstraintMaker::make(m_checkViewController->view(), [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });
    m_checkViewController->didMoveToParentViewController(me);

    m_helpViewController = std::make_shared<KVNPhotoHelpViewController>();
    m_helpViewController->init();
    m_helpViewController->setDelegate(std::static_pointer_cast<KVNPhotoHelpViewControllerDelegate>(me));
    addChildViewController(m_helpViewController);
    self->addSubview(m_helpViewController->view());
    Layout::ConstraintMaker::make(m_helpViewController->view(), [&](Layout::ConstraintMaker& make) {
        make.left().right().bottom().equalTo(self);
        m_helpTopConstraint = make.top().equalTo(topLayoutGuide()->bottomAnchor()).offset(0).kept();
    });
    m_helpViewController->didMoveToParentViewController(me);
    m_helpViewController->updateContentForPhoto(m_photo);

    CGFloat collapsed = m_helpViewController->collapsedHeightForWidth(self->bounds().size.width);
    Layout::ConstraintMaker::make(m_torchButton, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(topLayoutGuide()->bottomAnchor()).offset(15);
        make.left().equalTo(self).offset(15);
    });
    Layout::ConstraintMaker::make(m_takePhotoButton, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(self).offset(15);
        make.right().equalTo(self).offset(-15);
        make.bottom().equalTo(self).offset(-(collapsed + 18));
    });
    Layout::ConstraintMaker::make(m_maskContentView, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(self).offset(20);
        make.right().equalTo(self).offset(-20);
        if (m_torchButton->isHidden())
            make.top().equalTo(topLayoutGuide()->bottomAnchor()).offset(20);
        else
            make.top().equalTo(m_torchButton->bottomAnchor()).offset(20);
        make.bottom().equalTo(m_takePhotoButton->topAnchor()).offset(-20);
    });
    CGSize maskSize = calculatedMaskSize();
    Layout::ConstraintMaker::make(m_maskImageView, [&](Layout::ConstraintMaker& make) {
        make.center().equalTo(m_maskContentView);
        make.width().equalTo(maskSize.width);
        make.height().equalTo(maskSize.height);
    });

    if (m_photo && m_photo->thumbnail()) {
        m_helpCollapsed = true;
        setCheckScreenVisible_withImage_thumbnail_animated(true, m_photo->image(), m_photo->thumbnail(), false);
    }
}

std::shared_ptr<AVCaptureDevice> KVNPhotoViewController::cameraWithPosition(AVCaptureDevicePosition position)
{
    for (auto& device : AVCaptureDevice::devicesWithMediaType(AVMediaTypeVideo))
        if (device->position() == position)
            return device;
    return nullptr;
}

void KVNPhotoViewController::setupCamera()
{
    auto session = std::make_shared<AVCaptureSession>();
    session->setSessionPreset(AVCaptureSessionPresetPhoto);
    if (auto device = cameraWithPosition(m_photo ? m_photo->captureDevicePosition() : AVCaptureDevicePositionBack)) {
        std::shared_ptr<NSError> error;
        auto input = AVCaptureDeviceInput::deviceInputWithDevice_error(device, &error);
        if (input && session->canAddInput(input))
            session->addInput(input);
    }
    m_previewLayer = AVCaptureVideoPreviewLayer::layerWithSession(session);
    m_previewLayer->setVideoGravity(AVLayerVideoGravityResizeAspectFill);
    auto layer = view()->layer();
    view()->setClipsToBounds(true);
    m_previewLayer->setFrame(layer->frame());
    layer->insertSublayer_atIndex(m_previewLayer, 0);

    m_imageOutput = std::make_shared<AVCaptureStillImageOutput>();
    m_imageOutput->setOutputSettings({ { AVVideoCodecKey, AVVideoCodecJPEG } });
    if (session->canAddOutput(m_imageOutput))
        session->addOutput(m_imageOutput);
    session->commitConfiguration();
    session->startRunning();
}

CGSize KVNPhotoViewController::calculatedMaskSize()
{
    CGRect bounds = view()->bounds();
    CGFloat collapsed = m_helpViewController->collapsedHeightForWidth(bounds.size.width);
    CGFloat torch = m_torchButton->isHidden() ? 0 : kTorchRoom;
    CGFloat width = bounds.size.width - 40;
    CGFloat height = bounds.size.height - 64 - torch - collapsed - 41 - 18 - 40;
    auto mask = m_maskImageView->image();
    if (!mask || mask->size().width <= 0 || mask->size().height <= 0 || width <= 0 || height <= 0)
        return CGSizeMake(std::max<CGFloat>(width, 0), std::max<CGFloat>(height, 0));
    CGSize size = mask->size();
    if (height / size.height < width / size.width)
        return CGSizeMake(height * size.width / size.height, height);
    return CGSizeMake(width, width * size.height / size.width);
}

void KVNPhotoViewController::setTorchEnabled(bool enabled)
{
    if (!m_photo || m_photo->captureDevicePosition() == AVCaptureDevicePositionFront || !KVNExtensions::hasTorch()) {
        m_torchEnabled = false;
        m_torchButton->setHidden(true);
        return;
    }
    m_torchEnabled = enabled;
    m_torchButton->setHidden(false);
    m_torchButton->setImage_forState(KVNImageProvider::imageNamed(enabled ? "kvn-icon-flash-on" : "kvn-icon-flash-off"), UIControlStateNormal);
    KVNExtensions::setTorchEnabled(enabled);
}

void KVNPhotoViewController::torchButtonTapped()
{
    setTorchEnabled(!m_torchEnabled);
}

void KVNPhotoViewController::tapDetected(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    CGPoint point = recognizer->locationInView(view());
    m_focusImageView->setCenter(point);
    KVNExtensions::autofocusPoint(m_previewLayer->captureDevicePointOfInterestForPoint(point));
    m_focusImageView->setAlpha(1);
    auto mark = m_focusImageView;
    UIView::animateWithDuration_animations(2.0, [mark] { mark->setAlpha(0); });
}

bool KVNPhotoViewController::gestureRecognizer_shouldReceiveTouch(const std::shared_ptr<UIGestureRecognizer>&, const std::shared_ptr<UITouch>& touch)
{
    return touch->view() == view();
}

void KVNPhotoViewController::photoHelpViewControllerDidPressCollapseButton(const std::shared_ptr<KVNPhotoHelpViewController>&)
{
    setHelpCollapsed_animated(!m_helpCollapsed, true);
}

void KVNPhotoViewController::setHelpCollapsed_animated(bool collapsed, bool animated)
{
    m_helpCollapsed = collapsed;
    auto self = view();
    if (collapsed) {
        CGFloat strip = m_helpViewController->collapsedHeightForWidth(self->bounds().size.width);
        m_helpTopConstraint->setOffset(self->bounds().size.height - topLayoutGuide()->length() - bottomLayoutGuide()->length() - strip);
    } else {
        m_helpTopConstraint->setOffset(0);
    }
    m_helpViewController->setCollapsed(collapsed);
    UIView::animateWithDuration_animations(animated ? 0.4 : 0.0, [self] { self->layoutIfNeeded(); });
}

void KVNPhotoViewController::viewDidLayoutSubviews()
{
    UIViewController::viewDidLayoutSubviews();
    setHelpCollapsed_animated(m_helpCollapsed, false);
}

void KVNPhotoViewController::viewWillDisappear(bool animated)
{
    UIViewController::viewWillDisappear(animated);
    KVNExtensions::resetAutofocus();
    KVNExtensions::setTorchEnabled(false);
}

void KVNPhotoViewController::captureFailed()
{
    m_takePhotoButton->setEnabled_animated(true, true);
}

void KVNPhotoViewController::reportMissingCamera()
{
    // Without a camera there is no photo to review: say so instead of opening an empty review
    // that could be saved as if a photo had been taken.
    KVNLog("no camera connection for the photo\n");
    captureFailed();
    auto error = NSError::errorWithDomain_code_userInfo(AVFoundationErrorDomain, AVErrorDeviceNotConnected);
    KVNAlert::presentAlertFromViewController_withTitle_message_cancelButtonTitle_cancelBlock(
        shared_from_this(), KVNLocalizer::localizedStringForKey("ERROR"), error->localizedDescription(), KVNLocalizer::localizedStringForKey("OK"),
        nullptr);
}

void KVNPhotoViewController::captureStillImage()
{
    KVN_ASSERT_MAIN_THREAD();
    m_takePhotoButton->setEnabled_animated(false, true);
    auto connection = m_imageOutput->connectionWithMediaType(AVMediaTypeVideo);
    if (connection && m_photo && m_photo->captureDevicePosition() == AVCaptureDevicePositionFront && connection->isVideoMirroringSupported())
        connection->setVideoMirrored(true);
    if (!connection) {
        reportMissingCamera();
        return;
    }
    // The crops must not read views off the main thread: their geometry travels with the photo.
    CropGeometry geometry;
    CGRect bounds = view()->bounds();
    geometry.rectOfInterest = m_previewLayer->metadataOutputRectOfInterestForRect(bounds);
    geometry.maskFrame = m_maskContentView->convertRect_toView(m_maskImageView->frame(), view());
    geometry.viewWidth = bounds.size.width;

    std::weak_ptr<KVNPhotoViewController> weak = std::static_pointer_cast<KVNPhotoViewController>(shared_from_this());
    m_imageOutput->captureStillImageAsynchronouslyFromConnection_completionHandler(
        connection, [weak, geometry](CMSampleBufferRef buffer, std::shared_ptr<NSError> error) {
            auto data = error ? std::nullopt : AVCaptureStillImageOutput::jpegStillImageNSDataRepresentation(buffer);
            if (!data) {
                kvn::postToMainQueue(weak, [](KVNPhotoViewController& self) { self.captureFailed(); });
                return;
            }
            dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [weak, geometry, data = std::move(*data)] {
                auto decoded = UIImage::imageWithData(data);
                auto image = decoded ? KVNExtensions::imageWithImageOrientationUp(croppedImageBasedOnPreviewLayer(decoded, geometry)) : nullptr;
                if (!image) {
                    kvn::postToMainQueue(weak, [](KVNPhotoViewController& self) { self.captureFailed(); });
                    return;
                }
                auto cut = croppedImageBasedOnMaskForImage(image, geometry);
                auto thumbnail = cut ? KVNExtensions::resizedImageWithMinDimension_allowUpScale_withScale(cut, kThumbnailSide, false, 0) : nullptr;
                kvn::postToMainQueue(weak, [image, thumbnail](KVNPhotoViewController& self) {
                    self.setCheckScreenVisible_withImage_thumbnail_animated(true, image, thumbnail, true);
                });
            });
        });
}

std::shared_ptr<UIImage> KVNPhotoViewController::croppedImageBasedOnPreviewLayer(const std::shared_ptr<UIImage>& image, const CropGeometry& geometry)
{
    auto pixels = image->CGImage();
    CGFloat width = static_cast<CGFloat>(CGImageGetWidth(pixels));
    CGFloat height = static_cast<CGFloat>(CGImageGetHeight(pixels));
    CGRect interest = geometry.rectOfInterest;
    CGRect rect = CGRectMake(interest.origin.x * width, interest.origin.y * height, interest.size.width * width, interest.size.height * height);
    return KVNExtensions::croppedImageWithRect_scale(image, rect, 1.0);
}

std::shared_ptr<UIImage> KVNPhotoViewController::croppedImageBasedOnMaskForImage(const std::shared_ptr<UIImage>& image, const CropGeometry& geometry)
{
    if (!image || geometry.viewWidth <= 0)
        return nullptr;
    CGRect mask = geometry.maskFrame;
    CGFloat side = std::max(mask.size.width, mask.size.height) + 40;
    CGRect square = CGRectMake(CGRectGetMidX(mask) - side / 2, CGRectGetMidY(mask) - side / 2, side, side);
    CGFloat factor = image->size().width / geometry.viewWidth;
    CGRect scaled = CGRectMake(square.origin.x * factor, square.origin.y * factor, square.size.width * factor, square.size.height * factor);
    return KVNExtensions::croppedImageWithRect_scale(image, scaled, 1.0);
}

void KVNPhotoViewController::setCheckScreenVisible_withImage_thumbnail_animated(bool visible, const std::shared_ptr<UIImage>& image,
                                                                                const std::shared_ptr<UIImage>& thumbnail, bool animated)
{
    if (visible) {
        m_photo->setImage(image);
        m_photo->setThumbnail(thumbnail);
        navigationItem()->setHidesBackButton(true);
    } else {
        navigationItem()->setHidesBackButton(false);
    }
    CGFloat collapsed = m_helpViewController->collapsedHeightForWidth(view()->bounds().size.width);
    m_checkViewController->updateContentForPhoto_buttonBottomMargin(m_photo, collapsed + 18);
    auto review = m_checkViewController->view();
    UIView::animateWithDuration_animations(animated ? 0.3 : 0.0, [review, visible] { review->setAlpha(visible ? 1.0 : 0.0); });
    m_takePhotoButton->setEnabled_animated(true, true);
}

void KVNPhotoViewController::photoCheckViewControllerDidPressSaveButton(const std::shared_ptr<KVNPhotoCheckViewController>&)
{
    auto me = std::static_pointer_cast<KVNPhotoViewController>(shared_from_this());
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
    if (auto target = delegate())
        target->photoViewController_didCreateImageForPhoto(me, m_photo);
}

void KVNPhotoViewController::photoCheckViewControllerDidPressRetryButton(const std::shared_ptr<KVNPhotoCheckViewController>&)
{
    m_photo->setImage(nullptr);
    m_photo->setThumbnail(nullptr);
    setCheckScreenVisible_withImage_thumbnail_animated(false, nullptr, nullptr, true);
    if (auto target = delegate())
        target->photoViewController_didDeleteImageForPhoto(std::static_pointer_cast<KVNPhotoViewController>(shared_from_this()), m_photo);
}
