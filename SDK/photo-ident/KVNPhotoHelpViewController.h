#pragma once
// The folding instruction panel of the camera screen: expanded, the slot's title, description,
// instructions and example picture over the camera; folded, a strip with the title (and on
// taller screens the description) at the bottom. Every control asks the delegate to toggle;
// the camera screen moves the panel and tells it its state. Main thread only.
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIViewController.h"

namespace Layout {
class MadeConstraint;
}
class KVNBlurredView;
class KVNLabel;
class KVNMediumLabel;
class KVNPhoto;
class KVNPhotoHelpViewControllerDelegate;
class UIButton;
class UIImageView;
class UIScrollView;

class KVNPhotoHelpViewController : public UIViewController {
public:
    static constexpr double kTakePhotoPanelHiddenOffset = 81;

    void viewDidLoad() override;

    std::shared_ptr<KVNPhotoHelpViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<KVNPhotoHelpViewControllerDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<KVNLabel>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<KVNLabel>& descriptionLabel() const { return m_descriptionLabel; }
    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }
    const std::shared_ptr<UIScrollView>& scrollView() const { return m_scrollView; }
    const std::shared_ptr<UIButton>& chevronButton() const { return m_chevronButton; }
    const std::shared_ptr<UIButton>& collapseButton() const { return m_collapseButton; }

    void updateContentForPhoto(const std::shared_ptr<KVNPhoto>& photo);
    CGFloat collapsedHeightForWidth(CGFloat width);
    void setCollapsed(bool collapsed);
    void collapse();

private:
    std::weak_ptr<KVNPhotoHelpViewControllerDelegate> m_delegate;
    std::shared_ptr<KVNLabel> m_titleLabel;
    std::shared_ptr<KVNLabel> m_descriptionLabel;
    std::shared_ptr<KVNLabel> m_listLabel;
    std::shared_ptr<KVNMediumLabel> m_imageLabel;
    std::shared_ptr<UIImageView> m_imageView;
    std::shared_ptr<UIScrollView> m_scrollView;
    std::shared_ptr<UIButton> m_chevronButton;
    std::shared_ptr<UIButton> m_collapseButton;
    std::shared_ptr<KVNBlurredView> m_takePhotoButtonContentView;
    std::shared_ptr<Layout::MadeConstraint> m_takePhotoButtonContentViewBottomConstraint;
    std::shared_ptr<Layout::MadeConstraint> m_imageHeightConstraint;
    std::shared_ptr<Layout::MadeConstraint> m_collapseHeightConstraint;
};
