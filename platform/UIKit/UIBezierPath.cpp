#include "UIKit/UIBezierPath.h"

std::shared_ptr<UIBezierPath> UIBezierPath::bezierPathWithRect(CGRect rect)
{
    return std::make_shared<UIBezierPath>(CGPathCreateWithRect(rect, nullptr));
}

std::shared_ptr<UIBezierPath> UIBezierPath::bezierPathWithRoundedRect_cornerRadius(CGRect rect, CGFloat cornerRadius)
{
    return std::make_shared<UIBezierPath>(CGPathCreateWithRoundedRect(rect, cornerRadius, cornerRadius, nullptr));
}

std::shared_ptr<UIBezierPath> UIBezierPath::bezierPathWithOvalInRect(CGRect rect)
{
    return std::make_shared<UIBezierPath>(CGPathCreateWithEllipseInRect(rect, nullptr));
}
