#pragma once
// A colour in device RGB: red, green, blue and alpha, each 0..1 (not premultiplied).
// Immutable, shared, usable from any thread.
#include <array>
#include <memory>

#include "CoreGraphics/CGColorSpace.h"
#include "CoreGraphics/CGGeometry.h"

class CGColor {
public:
    // Components outside 0..1 (and NaN, as 0) are clamped.
    CGColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);

    CGFloat red() const { return m_components[0]; }
    CGFloat green() const { return m_components[1]; }
    CGFloat blue() const { return m_components[2]; }
    CGFloat alpha() const { return m_components[3]; }
    // Red, green, blue, alpha.
    const CGFloat* components() const { return m_components.data(); }

private:
    std::array<CGFloat, 4> m_components;
};

using CGColorRef = std::shared_ptr<CGColor>;

// `components` holds red, green, blue and alpha. nullptr without components.
CGColorRef CGColorCreate(const CGColorSpaceRef& space, const CGFloat* components);
inline CGColorRef CGColorCreateSRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return std::make_shared<CGColor>(red, green, blue, alpha);
}
inline const CGFloat* CGColorGetComponents(const CGColorRef& color) { return color ? color->components() : nullptr; }
inline size_t CGColorGetNumberOfComponents(const CGColorRef& color) { return color ? 4 : 0; }
inline CGFloat CGColorGetAlpha(const CGColorRef& color) { return color ? color->alpha() : 0; }
inline CGColorSpaceRef CGColorGetColorSpace(const CGColorRef& color) { return color ? CGColorSpaceCreateDeviceRGB() : nullptr; }
bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b);
