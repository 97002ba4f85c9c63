#include "UIKit/UIGraphics.h"

#include <cmath>
#include <vector>

#include "UIKit/UIImage.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UIScreen.h"

namespace {

struct Entry {
    CGContextRef context;
    bool imageContext;
    CGFloat scale;
};

std::vector<Entry>& stack()
{
    thread_local std::vector<Entry> entries;
    return entries;
}

size_t pixels(CGFloat points, CGFloat scale)
{
    // Tolerates the rounding error of sizes computed in floating point (80.0000000001).
    return size_t(std::ceil(points * scale - 1e-6));
}

} // namespace

void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale)
{
    if (!(scale > 0) || !std::isfinite(scale))
        scale = UIScreen::mainScreen()->scale();
    CGContextRef context;
    if (size.width > 0 && size.height > 0 && std::isfinite(size.width * scale) && std::isfinite(size.height * scale)
        && size.width * scale < 1e6 && size.height * scale < 1e6) {
        size_t width = pixels(size.width, scale), height = pixels(size.height, scale);
        context = CGBitmapContextCreate(nullptr, width, height, 8, 0, CGColorSpaceCreateDeviceRGB(),
                                        (opaque ? kCGImageAlphaNoneSkipFirst : kCGImageAlphaPremultipliedFirst) | kCGBitmapByteOrder32Host);
        if (context) {
            CGContextTranslateCTM(context, 0, CGFloat(height));
            CGContextScaleCTM(context, scale, -scale);
        }
    }
    if (!context)
        UIKitLog("UIGraphicsBeginImageContext: no image context of size {%g, %g} at scale %g", size.width, size.height, scale);
    stack().push_back({context, true, scale});
}

void UIGraphicsBeginImageContext(CGSize size) { UIGraphicsBeginImageContextWithOptions(size, false, 1.0); }

CGContextRef UIGraphicsGetCurrentContext()
{
    auto& s = stack();
    return s.empty() ? nullptr : s.back().context;
}

std::shared_ptr<UIImage> UIGraphicsGetImageFromCurrentImageContext()
{
    auto& s = stack();
    if (s.empty() || !s.back().imageContext || !s.back().context)
        return nullptr;
    return UIImage::imageWithCGImage_scale_orientation(CGBitmapContextCreateImage(s.back().context), s.back().scale,
                                                       UIImageOrientationUp);
}

void UIGraphicsEndImageContext()
{
    auto& s = stack();
    if (s.empty() || !s.back().imageContext) {
        UIKitLog("UIGraphicsEndImageContext: the current context is not an image context");
        return;
    }
    s.pop_back();
}

void UIGraphicsPushContext(const CGContextRef& context) { stack().push_back({context, false, 1.0}); }

void UIGraphicsPopContext()
{
    auto& s = stack();
    if (s.empty() || s.back().imageContext) {
        UIKitLog("UIGraphicsPopContext: no pushed context to pop");
        return;
    }
    s.pop_back();
}
