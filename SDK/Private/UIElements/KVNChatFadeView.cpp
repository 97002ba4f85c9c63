#include "Private/UIElements/KVNChatFadeView.h"

#include "UIKit/CAGradientLayer.h"
#include "UIKit/UIColor.h"

void KVNChatFadeView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setBackgroundColor(UIColor::clearColor());
}

void KVNChatFadeView::layoutSubviews()
{
    UIView::layoutSubviews();
    if (m_fadeGradient && layer()->mask() == m_fadeGradient)
        return;
    const CGRect bounds = this->bounds();
    // Before the first real layout the height is 0; a mask made then would divide by it.
    if (bounds.size.height <= 0)
        return;
    m_fadeGradient = CAGradientLayer::layer();
    m_fadeGradient->setFrame(bounds);
    m_fadeGradient->setColors({UIColor::clearColor()->CGColor(), UIColor::blackColor()->CGColor(), UIColor::blackColor()->CGColor()});
    m_fadeGradient->setLocations({0, 64 / bounds.size.height, 1});
    layer()->setMask(m_fadeGradient);
}
