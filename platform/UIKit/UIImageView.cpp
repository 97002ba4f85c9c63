#include "UIKit/UIImageView.h"

#include <cmath>

#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UILayoutPriority.h"

UIImageView::UIImageView() { setUserInteractionEnabled(false); }

void UIImageView::initWithImage(std::shared_ptr<UIImage> image)
{
    CGSize size = image ? image->size() : CGSizeZero;
    initWithFrame(CGRectMake(0, 0, size.width, size.height));
    setImage(std::move(image));
}

void UIImageView::setImage(std::shared_ptr<UIImage> image)
{
    if (image == m_image)
        return;
    m_image = std::move(image);
    invalidateIntrinsicContentSize();
}

void UIImageView::setHighlightedImage(std::shared_ptr<UIImage> image)
{
    m_highlightedImage = std::move(image);
    if (m_highlighted)
        invalidateIntrinsicContentSize();
}

void UIImageView::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    if (m_highlightedImage)
        invalidateIntrinsicContentSize();
}

std::shared_ptr<UIImage> UIImageView::shownImage() const { return m_highlighted && m_highlightedImage ? m_highlightedImage : m_image; }

CGSize UIImageView::intrinsicContentSize() const
{
    auto image = shownImage();
    if (!image)
        return CGSizeMake(UIViewNoIntrinsicMetric, UIViewNoIntrinsicMetric);
    return image->size();
}

CGSize UIImageView::sizeThatFits(CGSize) const
{
    auto image = shownImage();
    return image ? image->size() : CGSizeZero;
}

CGRect UIImageView::rectForContentMode(UIViewContentMode mode, CGSize imageSize, CGRect bounds)
{
    CGFloat w = imageSize.width, h = imageSize.height;
    CGFloat bw = bounds.size.width, bh = bounds.size.height;
    if (mode == UIViewContentModeScaleToFill || mode == UIViewContentModeRedraw || w <= 0 || h <= 0)
        return bounds;
    if (mode == UIViewContentModeScaleAspectFit || mode == UIViewContentModeScaleAspectFill) {
        CGFloat scale = mode == UIViewContentModeScaleAspectFit ? std::min(bw / w, bh / h) : std::max(bw / w, bh / h);
        w *= scale;
        h *= scale;
        return CGRectMake(bounds.origin.x + (bw - w) / 2, bounds.origin.y + (bh - h) / 2, w, h);
    }
    // The fixed-size modes: where along each axis the image's edge sits.
    CGFloat x = (bw - w) / 2, y = (bh - h) / 2;
    switch (mode) {
    case UIViewContentModeTop:
        y = 0;
        break;
    case UIViewContentModeBottom:
        y = bh - h;
        break;
    case UIViewContentModeLeft:
        x = 0;
        break;
    case UIViewContentModeRight:
        x = bw - w;
        break;
    case UIViewContentModeTopLeft:
        x = 0, y = 0;
        break;
    case UIViewContentModeTopRight:
        x = bw - w, y = 0;
        break;
    case UIViewContentModeBottomLeft:
        x = 0, y = bh - h;
        break;
    case UIViewContentModeBottomRight:
        x = bw - w, y = bh - h;
        break;
    default:
        break;
    }
    return CGRectMake(bounds.origin.x + x, bounds.origin.y + y, w, h);
}

void UIImageView::drawRect(CGRect rect)
{
    auto image = shownImage();
    auto context = UIGraphicsGetCurrentContext();
    if (!image || !context)
        return;
    CGRect target = rectForContentMode(contentMode(), image->size(), bounds());
    // A template counts by its alpha: the tint fills where the image has ink.
    auto fillInk = [&](const std::shared_ptr<UIColor>& color) {
        CGContextSaveGState(context);
        CGContextTranslateCTM(context, target.origin.x, target.origin.y + target.size.height);
        CGContextScaleCTM(context, 1, -1);
        CGRect unit = CGRectMake(0, 0, target.size.width, target.size.height);
        CGContextClipToMask(context, unit, image->uprightCGImage());
        CGContextSetFillColorWithColor(context, color->CGColor());
        CGContextFillRect(context, unit);
        CGContextRestoreGState(context);
    };
    if (image->renderingMode() == UIImageRenderingModeAlwaysTemplate)
        fillInk(tintColor());
    else
        image->drawInRect(target);
    // The platform's pressed and disabled looks: a dark veil, or a light one, over the ink.
    if (m_shade == Shade::Darkened)
        fillInk(UIColor::colorWithWhite_alpha(0, 0.3));
    else if (m_shade == Shade::Lightened)
        fillInk(UIColor::colorWithWhite_alpha(1, 0.5));
}
