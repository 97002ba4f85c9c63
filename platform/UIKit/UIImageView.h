#pragma once
// A view that shows an image stretched to its bounds; its natural size is the image's. A
// template image (or any image once its rendering mode says so) is drawn in the view's tint.
// Buttons shade the image they show while pressed or disabled. Main thread only.
#include <memory>

#include "Foundation/Badge.h"
#include "UIKit/UIView.h"

class UIButton;
class UIImage;

class UIImageView : public UIView {
public:
    UIImageView();
    ~UIImageView() override;

    void initWithImage(const std::shared_ptr<UIImage>& image);

    std::shared_ptr<UIImage> image() const { return m_image; }
    void setImage(const std::shared_ptr<UIImage>& image);

    CGSize intrinsicContentSize() const override;
    CGSize sizeThatFits(CGSize size) const;
    void drawRect(CGRect rect) override;

    // How a button shows the state it is in on its image.
    enum class Shade { None, Darkened, Lightened };
    void setShade(kvn::Badge<UIButton>, Shade shade) { m_shade = shade; }
    Shade shade() const { return m_shade; }

private:
    std::shared_ptr<UIImage> m_image;
    Shade m_shade = Shade::None;
};
