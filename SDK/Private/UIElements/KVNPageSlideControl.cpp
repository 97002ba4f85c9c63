#include "Private/UIElements/KVNPageSlideControl.h"

#include "Private/Helper/KVNImageProvider.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UITouch.h"

void KVNPageSlideControl::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setBackgroundColor(UIColor::colorWithRed_green_blue_alpha(60.0 / 255, 60.0 / 255, 60.0 / 255, 0.9));
    m_sliderImage = KVNImageProvider::imageNamed("kvn_bar_slider");
    CGSize size = m_sliderImage ? m_sliderImage->size() : CGSizeMake(0, 0);
    long halfWidth = static_cast<long>(frame.size.width) / 2;
    m_sliderView = std::make_shared<UIImageView>();
    m_sliderView->initWithImage(m_sliderImage);
    m_sliderView->setFrame(CGRectMake(static_cast<long>(halfWidth - size.width / 2), static_cast<long>(frame.size.height / 2 - size.height / 2),
                                      size.width, size.height));
    addSubview(m_sliderView);
    setUserInteractionEnabled(true);
}

bool KVNPageSlideControl::positionOf(const UITouchSet& touches, float& position) const
{
    if (touches.empty() || !*touches.begin())
        return false;
    auto reference = superview();
    position = static_cast<float>((*touches.begin())->locationInView(reference).y);
    return true;
}

void KVNPageSlideControl::touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&)
{
    if (positionOf(touches, m_lastPosition))
        m_startPosition = m_lastPosition;
}

void KVNPageSlideControl::touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&)
{
    float position = 0;
    if (!positionOf(touches, position))
        return;
    if (auto delegate = m_delegate.lock())
        delegate->onSliderMoved(m_lastPosition - position);
    m_lastPosition = position;
}

void KVNPageSlideControl::touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&)
{
    float position = 0;
    if (!positionOf(touches, position))
        return;
    if (auto delegate = m_delegate.lock())
        delegate->onSliderMoveEnded(m_lastPosition - position);
    m_lastPosition = position;
}

void KVNPageSlideControl::touchesCancelled_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&)
{
    const float back = m_lastPosition - m_startPosition;
    m_lastPosition = m_startPosition;
    if (auto delegate = m_delegate.lock())
        delegate->onSliderMoveEnded(back);
}
