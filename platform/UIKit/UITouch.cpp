#include "UIKit/UITouch.h"

#include "UIKit/UIView.h"

CGPoint UITouch::locationInView(const std::shared_ptr<UIView>& view) const
{
    return view ? view->convertPoint_fromView(m_location, nullptr) : m_location;
}

CGPoint UITouch::previousLocationInView(const std::shared_ptr<UIView>& view) const
{
    return view ? view->convertPoint_fromView(m_previous, nullptr) : m_previous;
}
