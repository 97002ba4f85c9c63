#pragma once
// Drawing fixtures for the text tests: run some drawing in a transparent image context and
// find where it left ink, in points.
#include <cstdint>
#include <functional>
#include <memory>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"

namespace fixtures {

// `draw` runs with a transparent image context of `size` points at `scale` current.
inline std::shared_ptr<UIImage> render(CGSize size, CGFloat scale, const std::function<void()>& draw)
{
    UIGraphicsBeginImageContextWithOptions(size, false, scale);
    draw();
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

// The smallest rectangle (in points) holding every pixel whose alpha passes `threshold`;
// CGRectNull without any.
inline CGRect inkBounds(const UIImage& image, uint32_t threshold = 0)
{
    auto cg = image.CGImage();
    size_t x0 = SIZE_MAX, y0 = SIZE_MAX, x1 = 0, y1 = 0;
    for (size_t y = 0; y < cg->height(); ++y)
        for (size_t x = 0; x < cg->width(); ++x)
            if ((cg->pixelAt(x, y) >> 24) > threshold) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x + 1);
                y1 = std::max(y1, y + 1);
            }
    if (x0 == SIZE_MAX)
        return CGRectNull;
    CGFloat s = image.scale();
    return CGRectMake(CGFloat(x0) / s, CGFloat(y0) / s, CGFloat(x1 - x0) / s, CGFloat(y1 - y0) / s);
}

// Whether `inner` lies inside `outer` grown by `slack` on every side.
inline bool liesWithin(const CGRect& inner, const CGRect& outer, CGFloat slack)
{
    return CGRectGetMinX(inner) >= CGRectGetMinX(outer) - slack && CGRectGetMinY(inner) >= CGRectGetMinY(outer) - slack
        && CGRectGetMaxX(inner) <= CGRectGetMaxX(outer) + slack && CGRectGetMaxY(inner) <= CGRectGetMaxY(outer) + slack;
}

} // namespace fixtures
