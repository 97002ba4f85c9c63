#pragma once
// The review of a photo just taken, over the camera: the photo filling the screen, with save
// and retry buttons where the camera's take-photo button stands. Main thread only.
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIViewController.h"

namespace Layout {
class MadeConstraint;
}
class KVNPhoto;
class KVNPhotoCheckViewControllerDelegate;
class KVNRoundedButton;
class UIImageView;

class KVNPhotoCheckViewController : public UIViewController {
public:
    void viewDidLoad() override;

    std::shared_ptr<KVNPhotoCheckViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<KVNPhotoCheckViewControllerDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }

    void updateContentForPhoto_buttonBottomMargin(const std::shared_ptr<KVNPhoto>& photo, CGFloat margin);
    void saveButtonPressed();
    void retryButtonPressed();

private:
    std::weak_ptr<KVNPhotoCheckViewControllerDelegate> m_delegate;
    std::shared_ptr<UIImageView> m_imageView;
    std::shared_ptr<Layout::MadeConstraint> m_saveButtonBottomConstraint;
};
