#include "CoreGraphics/CGColorSpace.h"

CGColorSpaceRef CGColorSpaceCreateDeviceRGB()
{
    static const CGColorSpaceRef space = std::make_shared<CGColorSpace>();
    return space;
}
