#include "UIKit/UIImageView.h"

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"

UIImageView::UIImageView()
{
    // Pictures let touches through to what lies under them, as on the platform.
    setUserInteractionEnabled(false);
}
UIImageView::~UIImageView() = default;

void UIImageView::initWithImage(const std::shared_ptr<UIImage>& image)
{
    initWithFrame(image ? CGRectMake(0, 0, image->size().width, image->size().height) : CGRectZero);
    setImage(image);
}

void UIImageView::setImage(const std::shared_ptr<UIImage>& image)
{
    KVN_ASSERT_MAIN_THREAD();
    if (image == m_image)
        return;
    m_image = image;
    invalidateIntrinsicContentSize();
    setNeedsDisplay();
}

CGSize UIImageView::intrinsicContentSize() const
{
    if (!m_image)
        return UIView::intrinsicContentSize();
    return m_image->size();
}

CGSize UIImageView::sizeThatFits(CGSize) const { return m_image ? m_image->size() : CGSizeZero; }

void UIImageView::drawRect(CGRect)
{
    if (!m_image)
        return;
    CGRect box = bounds();
    if (m_image->renderingMode() == UIImageRenderingModeAlwaysTemplate)
        m_image->fillMaskInRect_withColor(box, tintColor()->CGColor());
    else
        m_image->drawInRect(box);
    // The platform's pressed and disabled looks: a dark veil, or a light one, over the ink.
    if (m_shade == Shade::Darkened)
        m_image->fillMaskInRect_withColor(box, UIColor::colorWithWhite_alpha(0, 0.3)->CGColor());
    else if (m_shade == Shade::Lightened)
        m_image->fillMaskInRect_withColor(box, UIColor::colorWithWhite_alpha(1, 0.5)->CGColor());
}
