#pragma once
// A view that shows an image, fitted into its bounds by its content mode; the highlighted
// image replaces it while the view is highlighted. A template image (rendering mode
// AlwaysTemplate) is drawn by its alpha alone in the view's tint colour. Its natural size is
// the shown image's size in points. Takes no touches by default.
// Main thread only.
#include <memory>

#include "Foundation/Badge.h"
#include "UIKit/UIView.h"

class UIButton;
class UIImage;

class UIImageView : public UIView {
public:
    UIImageView();

    // The frame takes the image's size.
    void initWithImage(std::shared_ptr<UIImage> image);

    std::shared_ptr<UIImage> image() const { return m_image; }
    void setImage(std::shared_ptr<UIImage> image);
    std::shared_ptr<UIImage> highlightedImage() const { return m_highlightedImage; }
    void setHighlightedImage(std::shared_ptr<UIImage> image);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

    CGSize intrinsicContentSize() const override;
    CGSize sizeThatFits(CGSize size) const;
    void drawRect(CGRect rect) override;

    // How a button shows the state it is in on its image.
    enum class Shade { None, Darkened, Lightened };
    void setShade(kvn::Badge<UIButton>, Shade shade) { m_shade = shade; }
    Shade shade() const { return m_shade; }

    // Where an image of `imageSize` is drawn in `bounds` under `mode`.
    static CGRect rectForContentMode(UIViewContentMode mode, CGSize imageSize, CGRect bounds);

private:
    std::shared_ptr<UIImage> shownImage() const;

    std::shared_ptr<UIImage> m_image;
    std::shared_ptr<UIImage> m_highlightedImage;
    bool m_highlighted = false;
    Shade m_shade = Shade::None;
};
