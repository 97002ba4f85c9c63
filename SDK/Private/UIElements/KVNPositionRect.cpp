#include "Private/UIElements/KVNPositionRect.h"

#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "public/KavoniAppearance.h"

void KVNPositionRect::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setTintColor(KavoniAppearance::sharedAppearance()->checkIconColor());
    // The platform's own lookup on purpose: the frame has no customer variant.
    auto image = UIImage::imageNamed("kvn-mask-id-3");
    m_positionRect = std::make_shared<UIImageView>();
    m_positionRect->init();
    if (image) {
        m_positionRect->setImage(image->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate));
        CGSize size = image->size();
        m_positionRect->setFrame(CGRectMake(0, 0, size.width, size.height));
    }
    setFrame(m_positionRect->frame());
    addSubview(m_positionRect);
}
