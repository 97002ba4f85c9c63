#include "UIKit/CAGradientLayer.h"

#include <algorithm>

void CAGradientLayer::setColors(std::vector<CGColorRef> colors)
{
    std::erase(colors, nullptr);
    m_colors = std::move(colors);
}

void CAGradientLayer::drawInContext(const CGContextRef& context)
{
    if (m_colors.empty())
        return;
    auto colors = m_colors;
    std::vector<CGFloat> locations;
    if (m_locations.size() == m_colors.size())
        locations = m_locations;
    if (colors.size() == 1) {
        // One colour is a flat fill, as the gradient machinery wants two stops.
        colors.push_back(colors.front());
        if (!locations.empty())
            locations = {0, 1};
    }
    auto gradient = CGGradientCreateWithColors(CGColorSpaceCreateDeviceRGB(), colors, locations);
    CGRect b = bounds();
    auto at = [&](CGPoint unit) { return CGPointMake(b.origin.x + unit.x * b.size.width, b.origin.y + unit.y * b.size.height); };
    CGContextSaveGState(context);
    CGContextClipToRect(context, b);
    CGContextDrawLinearGradient(context, gradient, at(m_startPoint), at(m_endPoint),
                                kCGGradientDrawsBeforeStartLocation | kCGGradientDrawsAfterEndLocation);
    CGContextRestoreGState(context);
}
