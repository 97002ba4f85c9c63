#include "CoreGraphics/CGColor.h"

#include <cmath>

namespace {
CGFloat clampUnit(CGFloat v)
{
    if (std::isnan(v))
        return 0;
    return std::clamp(v, CGFloat(0), CGFloat(1));
}
} // namespace

CGColor::CGColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
    : m_components{clampUnit(red), clampUnit(green), clampUnit(blue), clampUnit(alpha)}
{
}

CGColorRef CGColorCreate(const CGColorSpaceRef& space, const CGFloat* components)
{
    if (!components)
        return nullptr;
    return std::make_shared<CGColor>(components[0], components[1], components[2], components[3]);
}

bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b)
{
    if (!a || !b)
        return a == b;
    for (int i = 0; i < 4; ++i)
        if (a->components()[i] != b->components()[i])
            return false;
    return true;
}
