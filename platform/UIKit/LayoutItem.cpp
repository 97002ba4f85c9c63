#include "UIKit/LayoutItem.h"

#include "UIKit/NSLayoutDimension.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"

namespace Layout {

Expression LayoutItem::expressionFor(NSLayoutAttribute attribute) const
{
    switch (attribute) {
    case NSLayoutAttributeLeft:
    case NSLayoutAttributeLeading:
        return m_left;
    case NSLayoutAttributeRight:
    case NSLayoutAttributeTrailing:
        return m_left + m_width;
    case NSLayoutAttributeTop:
        return m_top;
    case NSLayoutAttributeBottom:
        return m_top + m_height;
    case NSLayoutAttributeWidth:
        return m_width;
    case NSLayoutAttributeHeight:
        return m_height;
    case NSLayoutAttributeCenterX:
        return m_left + 0.5 * m_width;
    case NSLayoutAttributeCenterY:
        return m_top + 0.5 * m_height;
    case NSLayoutAttributeNotAnAttribute:
        break;
    }
    return 0.0;
}

std::shared_ptr<NSLayoutXAxisAnchor> LayoutItem::leftAnchor() const { return std::make_shared<NSLayoutXAxisAnchor>(weakLayoutItem(), NSLayoutAttributeLeft); }
std::shared_ptr<NSLayoutXAxisAnchor> LayoutItem::rightAnchor() const { return std::make_shared<NSLayoutXAxisAnchor>(weakLayoutItem(), NSLayoutAttributeRight); }
std::shared_ptr<NSLayoutXAxisAnchor> LayoutItem::leadingAnchor() const { return std::make_shared<NSLayoutXAxisAnchor>(weakLayoutItem(), NSLayoutAttributeLeading); }
std::shared_ptr<NSLayoutXAxisAnchor> LayoutItem::trailingAnchor() const { return std::make_shared<NSLayoutXAxisAnchor>(weakLayoutItem(), NSLayoutAttributeTrailing); }
std::shared_ptr<NSLayoutXAxisAnchor> LayoutItem::centerXAnchor() const { return std::make_shared<NSLayoutXAxisAnchor>(weakLayoutItem(), NSLayoutAttributeCenterX); }
std::shared_ptr<NSLayoutYAxisAnchor> LayoutItem::topAnchor() const { return std::make_shared<NSLayoutYAxisAnchor>(weakLayoutItem(), NSLayoutAttributeTop); }
std::shared_ptr<NSLayoutYAxisAnchor> LayoutItem::bottomAnchor() const { return std::make_shared<NSLayoutYAxisAnchor>(weakLayoutItem(), NSLayoutAttributeBottom); }
std::shared_ptr<NSLayoutYAxisAnchor> LayoutItem::centerYAnchor() const { return std::make_shared<NSLayoutYAxisAnchor>(weakLayoutItem(), NSLayoutAttributeCenterY); }
std::shared_ptr<NSLayoutDimension> LayoutItem::widthAnchor() const { return std::make_shared<NSLayoutDimension>(weakLayoutItem(), NSLayoutAttributeWidth); }
std::shared_ptr<NSLayoutDimension> LayoutItem::heightAnchor() const { return std::make_shared<NSLayoutDimension>(weakLayoutItem(), NSLayoutAttributeHeight); }

} // namespace Layout
