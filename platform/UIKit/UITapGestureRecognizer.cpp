#include "UIKit/UITapGestureRecognizer.h"

#include "UIKit/UITouch.h"
#include "UIKit/UIView.h"

CGPoint UITapGestureRecognizer::locationInView(const std::shared_ptr<UIView>& view) const
{
    if (!m_recognised)
        return CGPointZero;
    auto own = m_view.lock();
    if (!own || !view || view == own)
        return m_location;
    return own->convertPoint_toView(m_location, view);
}

bool UITapGestureRecognizer::touchEnded(const UITouch& touch)
{
    auto view = m_view.lock();
    if (!view || touch.phase() != UITouchPhaseEnded)
        return false;
    const CGPoint local = touch.locationInView(view);
    const CGRect bounds = view->bounds();
    if (local.x < bounds.origin.x || local.y < bounds.origin.y || local.x > bounds.origin.x + bounds.size.width ||
        local.y > bounds.origin.y + bounds.size.height)
        return false;
    m_location = local;
    m_recognised = true;
    if (m_action)
        m_action(shared_from_this());
    return true;
}
