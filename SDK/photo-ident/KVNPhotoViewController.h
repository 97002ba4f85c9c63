#pragma once
// The camera screen of a photo identification: takes one slot's photo. A live preview fills the
// screen under the slot's outline mask, with torch and tap-to-focus on the back camera and the
// folding help panel over it. A capture is cropped to what the preview showed (and a thumbnail
// cut around the mask) off the main thread, then reviewed; saving stores it in the slot.
// Main thread only; the crops run on a global queue with geometry taken here beforehand.
#include <memory>

#include "AVFoundation/AVCaptureDevice.h"
#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIGestureRecognizer.h"
#include "UIKit/UIViewController.h"
#include "photo-ident/KVNPhotoCheckViewControllerDelegate.h"
#include "photo-ident/KVNPhotoHelpViewControllerDelegate.h"

namespace Layout {
class MadeConstraint;
}
class AVCaptureStillImageOutput;
class AVCaptureVideoPreviewLayer;
class KVNPhoto;
class KVNPhotoCheckViewController;
class KVNPhotoHelpViewController;
class KVNPhotoViewControllerDelegate;
class KVNRoundedButton;
class UIButton;
class UIImage;
class UIImageView;

class KVNPhotoViewController : public UIViewController,
                               public KVNPhotoHelpViewControllerDelegate,
                               public KVNPhotoCheckViewControllerDelegate,
                               public UIGestureRecognizerDelegate {
public:
    // What the crops need of the screen, read on the main thread when the capture starts: the
    // preview's part of the camera picture, the mask's frame and the view's width.
    struct CropGeometry {
        CGRect rectOfInterest = CGRectZero;
        CGRect maskFrame = CGRectZero;
        CGFloat viewWidth = 0;
    };

    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;
    void viewWillDisappear(bool animated) override;

    const std::shared_ptr<KVNPhoto>& photo() const { return m_photo; }
    void setPhoto(std::shared_ptr<KVNPhoto> photo) { m_photo = std::move(photo); }
    std::shared_ptr<KVNPhotoViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<KVNPhotoViewControllerDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<AVCaptureStillImageOutput>& imageOutput() const { return m_imageOutput; }
    const std::shared_ptr<AVCaptureVideoPreviewLayer>& previewLayer() const { return m_previewLayer; }
    const std::shared_ptr<UIImageView>& maskImageView() const { return m_maskImageView; }
    const std::shared_ptr<UIView>& maskContentView() const { return m_maskContentView; }
    const std::shared_ptr<UIButton>& torchButton() const { return m_torchButton; }
    const std::shared_ptr<KVNPhotoHelpViewController>& helpViewController() const { return m_helpViewController; }
    const std::shared_ptr<KVNPhotoCheckViewController>& checkViewController() const { return m_checkViewController; }
    const std::shared_ptr<KVNRoundedButton>& takePhotoButton() const { return m_takePhotoButton; }
    bool helpCollapsed() const { return m_helpCollapsed; }
    bool torchEnabled() const { return m_torchEnabled; }
    void setTorchEnabled(bool enabled);

    void captureStillImage();
    void torchButtonTapped();
    void tapDetected(const std::shared_ptr<UIGestureRecognizer>& recognizer);
    bool gestureRecognizer_shouldReceiveTouch(const std::shared_ptr<UIGestureRecognizer>& recognizer,
                                              const std::shared_ptr<UITouch>& touch) override;
    void photoHelpViewControllerDidPressCollapseButton(const std::shared_ptr<KVNPhotoHelpViewController>& controller) override;
    void photoCheckViewControllerDidPressSaveButton(const std::shared_ptr<KVNPhotoCheckViewController>& controller) override;
    void photoCheckViewControllerDidPressRetryButton(const std::shared_ptr<KVNPhotoCheckViewController>& controller) override;

    CGSize calculatedMaskSize();
    void setHelpCollapsed_animated(bool collapsed, bool animated);
    void setCheckScreenVisible_withImage_thumbnail_animated(bool visible, const std::shared_ptr<UIImage>& image,
                                                            const std::shared_ptr<UIImage>& thumbnail, bool animated);

    // The crops, pure functions of the picture and the geometry, so they may run anywhere.
    static std::shared_ptr<UIImage> croppedImageBasedOnPreviewLayer(const std::shared_ptr<UIImage>& image, const CropGeometry& geometry);
    static std::shared_ptr<UIImage> croppedImageBasedOnMaskForImage(const std::shared_ptr<UIImage>& image, const CropGeometry& geometry);

private:
    void setupCamera();
    static std::shared_ptr<AVCaptureDevice> cameraWithPosition(AVCaptureDevicePosition position);
    void captureFailed();
    void reportMissingCamera();

    std::shared_ptr<KVNPhoto> m_photo;
    std::weak_ptr<KVNPhotoViewControllerDelegate> m_delegate;
    std::shared_ptr<AVCaptureStillImageOutput> m_imageOutput;
    std::shared_ptr<AVCaptureVideoPreviewLayer> m_previewLayer;
    std::shared_ptr<UIImageView> m_maskImageView;
    std::shared_ptr<UIImageView> m_focusImageView;
    std::shared_ptr<UIView> m_maskContentView;
    std::shared_ptr<UIButton> m_torchButton;
    std::shared_ptr<KVNPhotoHelpViewController> m_helpViewController;
    std::shared_ptr<KVNPhotoCheckViewController> m_checkViewController;
    std::shared_ptr<KVNRoundedButton> m_takePhotoButton;
    std::shared_ptr<Layout::MadeConstraint> m_helpTopConstraint;
    bool m_helpCollapsed = false;
    bool m_torchEnabled = false;
};
